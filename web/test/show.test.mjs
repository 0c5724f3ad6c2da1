// The show in a real browser: Debian's chromium, headless with SwiftShader's WebGL2, driven by
// playwright-core. The page loads the web build (VIRELLE_WEB_BUILD, build-web by default), plays,
// and its pictures at paused music times are compared with the native build's
// `virelle-tools frame` (VIRELLE_NATIVE_BUILD, build by default).
import { after, before, describe, test } from 'node:test';
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import { mkdtempSync, mkdirSync, readFileSync, rmSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join, resolve } from 'node:path';
import { chromium } from 'playwright-core';
import { psnr, readPng } from './png.mjs';
import { serveFolder } from './serve.mjs';

const repo = resolve(import.meta.dirname, '..', '..');
const webBuild = resolve(process.env.VIRELLE_WEB_BUILD || join(repo, 'build-web'));
const nativeBuild = resolve(process.env.VIRELLE_NATIVE_BUILD || join(repo, 'build'));
const outDir = join(webBuild, 'test-out');  // the pictures compared, for a look when a check fails
// One time in the layered composition, one in each 3D scene.
const pauseTimes = [12, 50, 80, 110];

const browserArgs = [
  '--headless=new', '--no-sandbox', '--enable-unsafe-swiftshader', '--autoplay-policy=no-user-gesture-required',
  '--disable-background-networking', '--disable-component-update', '--disable-sync', '--no-first-run',
];

const sleep = (ms) => new Promise((done) => setTimeout(done, ms));

describe('the show in a browser', () => {
  let served, context, page, profile;
  const problems = [];  // console errors and uncaught page errors, from the first load on
  const consoleLines = [];

  before(async () => {
    mkdirSync(outDir, { recursive: true });
    served = await serveFolder(webBuild);
    profile = mkdtempSync(join(tmpdir(), 'virelle-chromium-'));
    context = await chromium.launchPersistentContext(profile, {
      executablePath: process.env.VIRELLE_CHROMIUM || '/usr/bin/chromium',
      headless: false,  // --headless=new is among the arguments
      args: browserArgs,
      viewport: { width: 640, height: 480 },
      deviceScaleFactor: 1,
    });
    page = context.pages()[0] || (await context.newPage());
    page.on('console', (message) => {
      consoleLines.push(`${message.type()}: ${message.text()}`);
      if (message.type() === 'error') problems.push(message.text());
    });
    page.on('pageerror', (error) => problems.push(String(error)));
  });

  after(async () => {
    writeFileSync(join(outDir, 'console.txt'), consoleLines.join('\n') + '\n');
    await context?.close();
    served?.server.close();
    if (profile) rmSync(profile, { recursive: true, force: true });
  });

  const state = () => page.evaluate(() => document.body.dataset.state);
  const musicTime = () => page.evaluate(() => Module._virelle_music_time());
  const audioState = () => page.evaluate(() => Module.virelleAudioContext?.state ?? 'none');
  const canvasShot = async () => readPng(await page.locator('#canvas').screenshot());
  // Two animation frames: whatever the program drew is on the screen.
  const settle = () => page.evaluate(() => new Promise((done) => requestAnimationFrame(() => requestAnimationFrame(done))));

  test('the page loads and waits for a click', { timeout: 240_000 }, async () => {
    await page.goto(served.url + 'virelle.html');
    await page.waitForFunction(() => ['ready', 'failed'].includes(document.body.dataset.state), null, { timeout: 230_000 });
    assert.equal(await state(), 'ready', await page.locator('#status').textContent());
    assert.deepEqual(problems, []);
    assert.ok(await page.locator('#start').isVisible(), 'the start overlay shows');
    assert.deepEqual(await page.evaluate(() => [canvas.width, canvas.height]), [640, 480]);
    // Sound waits for the click, though this browser would let it play.
    assert.notEqual(await audioState(), 'running');
  });

  test('after the click the pictures move and the clock runs with the audio context', { timeout: 60_000 }, async () => {
    await page.locator('#start').click();
    await page.waitForFunction(() => Module.virelleAudioContext?.state === 'running', null, { timeout: 10_000 });
    assert.equal(await state(), 'playing');
    const sample = () => page.evaluate(() => [Module._virelle_music_time(), Module.virelleAudioContext.currentTime]);
    await sleep(500);
    const a = await canvasShot();
    const [music0, audio0] = await sample();
    await sleep(2000);
    const [music1, audio1] = await sample();
    const b = await canvasShot();
    assert.ok(music1 - music0 > 1.0, `the music clock advances: ${music0} -> ${music1}`);
    assert.ok(Math.abs((music1 - music0) - (audio1 - audio0)) < 0.25,
      `the music clock follows the audio context: ${music1 - music0} s against ${audio1 - audio0} s`);
    assert.ok(psnr(a, b) < 45, 'the picture changes as the show plays');
  });

  test('paused at music times, the picture matches the native frame', { timeout: 300_000 }, async () => {
    for (const time of pauseTimes) {
      const nativeFile = join(outDir, `native-${time}.png`);
      execFileSync(join(nativeBuild, 'virelle-tools'), ['frame', '--time', String(time), '--out', nativeFile], {
        cwd: join(nativeBuild, 'content'),
        env: { ...process.env, SDL_VIDEODRIVER: 'offscreen', SDL_AUDIODRIVER: 'dummy' },
        stdio: ['ignore', 'ignore', 'pipe'],
      });
      await page.evaluate((t) => Module._virelle_test_pause_at(t), time);
      await settle();
      const shotBytes = await page.locator('#canvas').screenshot();
      writeFileSync(join(outDir, `web-${time}.png`), shotBytes);
      const measured = psnr(readPng(shotBytes), readPng(readFileSync(nativeFile)));
      const shown = await musicTime();
      assert.ok(Math.abs(shown - time) < 0.05, `paused at ${time} s, the clock reads ${shown}`);
      assert.ok(measured > 30, `at ${time} s the browser's picture is ${measured.toFixed(1)} dB from the native one`);
      console.log(`# ${time} s: ${measured.toFixed(1)} dB`);
    }
  });

  test('Escape ends the show and the page offers to play again', { timeout: 60_000 }, async () => {
    await page.locator('#canvas').focus();
    await page.keyboard.press('Escape');
    await page.waitForFunction(() => document.body.dataset.state === 'ended', null, { timeout: 10_000 });
    assert.ok(await page.locator('#again').isVisible());
    await page.locator('#again').click();
    assert.equal(await state(), 'playing');
    await sleep(1500);
    const restarted = await musicTime();
    assert.ok(restarted > 0.5 && restarted < 10, `played again from the start: ${restarted} s`);
  });

  test('message boxes queue on the page, and F toggles full screen', { timeout: 30_000 }, async () => {
    await page.evaluate(() => {
      Module.virelleMessageBox('First', 'one');
      Module.virelleMessageBox('Second', 'two');
    });
    assert.equal(await page.locator('#box-title').textContent(), 'First');
    await page.locator('#box-ok').click();
    assert.equal(await page.locator('#box-text').textContent(), 'two', 'the second box follows the first');
    await page.locator('#box-ok').click();
    assert.ok(!(await page.locator('#box').isVisible()));

    await page.locator('#canvas').focus();
    await page.keyboard.press('f');
    await page.waitForFunction(() => document.fullscreenElement?.id === 'stage', null, { timeout: 5_000 });
    await page.keyboard.press('f');
    await page.waitForFunction(() => !document.fullscreenElement, null, { timeout: 5_000 });
  });

  test('no console error from start to end', () => {
    assert.deepEqual(problems, []);
  });
});
