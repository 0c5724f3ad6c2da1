// Reads an 8-bit, non-interlaced PNG (grey, RGB, RGBA, grey+alpha) into RGBA pixels, and the PSNR
// of two same-sized pictures over their colour channels: enough for the browser test's comparisons.
import { inflateSync } from 'node:zlib';

const channelsOf = { 0: 1, 2: 3, 4: 2, 6: 4 };

export function readPng(bytes) {
  const signature = [137, 80, 78, 71, 13, 10, 26, 10];
  if (bytes.length < 8 || signature.some((b, i) => bytes[i] !== b)) throw new Error('not a PNG file');
  let width = 0, height = 0, channels = 0;
  const data = [];
  for (let at = 8; at + 8 <= bytes.length;) {
    const length = bytes.readUInt32BE(at);
    const type = bytes.toString('latin1', at + 4, at + 8);
    if (at + 12 + length > bytes.length) throw new Error('PNG chunk runs past the end');
    const body = bytes.subarray(at + 8, at + 8 + length);
    if (type === 'IHDR') {
      width = body.readUInt32BE(0);
      height = body.readUInt32BE(4);
      channels = channelsOf[body[9]];
      if (body[8] !== 8 || !channels || body[12] !== 0) throw new Error('PNG form not handled');
    } else if (type === 'IDAT') {
      data.push(body);
    } else if (type === 'IEND') {
      break;
    }
    at += 12 + length;
  }
  if (!width || !height) throw new Error('PNG without a header');
  const raw = inflateSync(Buffer.concat(data));
  const stride = width * channels;
  if (raw.length < (stride + 1) * height) throw new Error('PNG data too short');
  const rows = Buffer.alloc(stride * height);
  for (let y = 0; y < height; ++y) {
    const filter = raw[y * (stride + 1)];
    const line = raw.subarray(y * (stride + 1) + 1, (y + 1) * (stride + 1));
    for (let x = 0; x < stride; ++x) {
      const a = x >= channels ? rows[y * stride + x - channels] : 0;
      const b = y > 0 ? rows[(y - 1) * stride + x] : 0;
      const c = x >= channels && y > 0 ? rows[(y - 1) * stride + x - channels] : 0;
      let value = line[x];
      if (filter === 1) value += a;
      else if (filter === 2) value += b;
      else if (filter === 3) value += (a + b) >> 1;
      else if (filter === 4) {
        const p = a + b - c, pa = Math.abs(p - a), pb = Math.abs(p - b), pc = Math.abs(p - c);
        value += pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
      } else if (filter !== 0) throw new Error('bad PNG row filter');
      rows[y * stride + x] = value & 255;
    }
  }
  const rgba = Buffer.alloc(width * height * 4);
  for (let i = 0; i < width * height; ++i) {
    const p = rows.subarray(i * channels, (i + 1) * channels);
    const grey = channels <= 2;
    rgba[i * 4] = p[0];
    rgba[i * 4 + 1] = grey ? p[0] : p[1];
    rgba[i * 4 + 2] = grey ? p[0] : p[2];
    rgba[i * 4 + 3] = channels === 4 ? p[3] : channels === 2 ? p[1] : 255;
  }
  return { width, height, rgba };
}

// Peak signal-to-noise ratio in dB over R, G and B; Infinity for identical pictures.
export function psnr(a, b) {
  if (a.width !== b.width || a.height !== b.height) throw new Error(`sizes differ: ${a.width}x${a.height} and ${b.width}x${b.height}`);
  let sum = 0;
  for (let i = 0; i < a.rgba.length; i += 4) {
    for (let c = 0; c < 3; ++c) {
      const d = a.rgba[i + c] - b.rgba[i + c];
      sum += d * d;
    }
  }
  const mse = sum / (a.width * a.height * 3);
  return mse === 0 ? Infinity : 10 * Math.log10((255 * 255) / mse);
}
