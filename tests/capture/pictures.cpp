#include "tests/capture/pictures.h"

#include <png.h>

#include <algorithm>
#include <cmath>

std::vector<uint8_t> PngBgra(const std::string& path, int* w, int* h) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return {};
    image.format = PNG_FORMAT_BGRA;
    std::vector<uint8_t> pixels(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr)) return {};
    *w = int(image.width);
    *h = int(image.height);
    return pixels;
}

double Psnr(const std::vector<uint8_t>& a, int aWidth, int x, int y, const std::vector<uint8_t>& b, int w, int h) {
    double sum = 0;
    for (int row = 0; row < h; ++row)
        for (int col = 0; col < w; ++col)
            for (int c = 0; c < 3; ++c) {
                const double d =
                    double(a[(size_t(row + y) * aWidth + col + x) * 4 + c]) - b[(size_t(row) * w + col) * 4 + c];
                sum += d * d;
            }
    const double mse = sum / (double(w) * h * 3);
    return mse > 0 ? 10.0 * std::log10(255.0 * 255.0 / mse) : 99.0;
}

std::vector<uint8_t> BoxFilter(const std::vector<uint8_t>& p, int w, int h, int n) {
    std::vector<uint8_t> out(size_t(w / n) * (h / n) * 4);
    for (int y = 0; y < h / n; ++y)
        for (int x = 0; x < w / n; ++x)
            for (int c = 0; c < 4; ++c) {
                int s = 0;
                for (int k = 0; k < n * n; ++k) s += p[(size_t(n * y + k / n) * w + n * x + k % n) * 4 + c];
                out[(size_t(y) * (w / n) + x) * 4 + c] = uint8_t((s + n * n / 2) / (n * n));
            }
    return out;
}

std::vector<uint8_t> Shrink(const std::vector<uint8_t>& a, int aWidth, int x, int y, int w, int h, int outW, int outH) {
    // How much of source column (row) i an output column (row) o covers.
    auto weights = [](int from, int to) {
        std::vector<std::vector<std::pair<int, double>>> out{size_t(to)};
        const double step = double(from) / to;
        for (int o = 0; o < to; ++o)
            for (int i = int(std::floor(o * step)); i < std::min(from, int(std::ceil((o + 1) * step))); ++i) {
                const double cover = std::min<double>(i + 1, (o + 1) * step) - std::max<double>(i, o * step);
                if (cover > 0) out[size_t(o)].push_back({i, cover / step});
            }
        return out;
    };
    const auto cols = weights(w, outW), rows = weights(h, outH);
    std::vector<uint8_t> out(size_t(outW) * outH * 4);
    for (int oy = 0; oy < outH; ++oy)
        for (int ox = 0; ox < outW; ++ox)
            for (int c = 0; c < 4; ++c) {
                double s = 0;
                for (const auto& [row, wy] : rows[size_t(oy)])
                    for (const auto& [col, wx] : cols[size_t(ox)])
                        s += wy * wx * a[(size_t(y + row) * aWidth + size_t(x + col)) * 4 + c];
                out[(size_t(oy) * outW + ox) * 4 + c] = uint8_t(std::lround(std::clamp(s, 0.0, 255.0)));
            }
    return out;
}
