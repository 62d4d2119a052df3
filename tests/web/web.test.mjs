// The pages of the web build in Debian's headless Chromium, served from 127.0.0.1 only: frames
// against animtool's rendering in the colours OpenGL draws (the palette read back from the
// native headless player), the overlay and a caption against the headless player's snapshot,
// the player's keys through real keyboard events, a dropped file, a missing file's message, and
// the gallery against the headless gallery. Nothing is timed: every wait polls the page's state.
// Run by `make test-web`; VANTOREL_BUILD and VANTOREL_WEB_BUILD name the two build trees.
import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { spawn, execFileSync } from 'node:child_process';
import { mkdirSync, mkdtempSync, readFileSync, writeFileSync, rmSync } from 'node:fs';
import { join, dirname, resolve } from 'node:path';
import { tmpdir } from 'node:os';
import { fileURLToPath } from 'node:url';
import { chromium } from 'playwright-core';
import { readPng } from './png.mjs';

const root = resolve(dirname(fileURLToPath(import.meta.url)), '../..');
const nativeBuild = resolve(root, process.env.VANTOREL_BUILD || 'build');
const webBuild = resolve(root, process.env.VANTOREL_WEB_BUILD || 'build-web');
const animtool = join(nativeBuild, 'animtool');
const WAIT = { timeout: 120000 };  // generous: a loaded two-core machine runs SwiftShader slowly

let server, baseUrl, browser, work, served, glColour;

// ---- helpers --------------------------------------------------------------------------------------

function startServer(dir) {
  return new Promise((ok, fail) => {
    const p = spawn('python3', ['-u', '-m', 'http.server', '--bind', '127.0.0.1', '0'],
                    { cwd: dir, stdio: ['ignore', 'pipe', 'pipe'] });
    let text = '';
    p.stdout.on('data', (d) => {
      text += d;
      const m = /port (\d+)/.exec(text);
      if (m) ok({ process: p, url: `http://127.0.0.1:${m[1]}/` });
    });
    p.on('exit', (code) => fail(new Error(`http.server ended (${code})`)));
  });
}

// Pages of one test: console errors are shown, the page's state is read through window.vantorel.
async function openPage(path, viewport = { width: 1200, height: 900 }) {
  const page = await browser.newPage({ viewport });
  page.on('pageerror', (e) => console.log(`page error: ${e.message}`));
  await page.goto(baseUrl + path);
  return page;
}

const status = (page) => page.evaluate(() => window.vantorel.status);
const polls = (page) => page.evaluate(() => window.vantorel.polls);

// Waits until the program has polled `count` more times, so every key pressed before is seen
// and the pass it started is drawn.
async function passes(page, count) {
  const start = await polls(page);
  await page.waitForFunction((n) => window.vantorel.polls >= n || window.vantorel.status === 'ended',
                             start + count, WAIT);
}

async function running(page) {
  await page.waitForFunction(() => window.vantorel.polls > 2, null, WAIT);
}

// The canvas's drawing buffer (the front buffer), RGBA rows top first; the player page's canvas is
// inside its element.
async function canvasPixels(page) {
  const got = await page.evaluate(() => {
    const player = document.querySelector('vantorel-player');
    const c = player ? player.shadowRoot.querySelector('canvas') : document.getElementById('canvas');
    const gl = c.getContext('webgl2');
    gl.bindFramebuffer(gl.READ_FRAMEBUFFER, null);
    const w = c.width, h = c.height, b = new Uint8Array(w * h * 4);
    gl.readPixels(0, 0, w, h, gl.RGBA, gl.UNSIGNED_BYTE, b);
    let s = '';
    for (let y = h - 1; y >= 0; y--)
      for (let i = y * w * 4; i < (y + 1) * w * 4; i += 8192)
        s += String.fromCharCode.apply(null, b.subarray(i, Math.min(i + 8192, (y + 1) * w * 4)));
    return { width: w, height: h, data: btoa(s) };
  });
  return { width: got.width, height: got.height, data: new Uint8Array(Buffer.from(got.data, 'base64')) };
}

// Pixels (RGB) that differ by more than `tolerance` in any channel, within the rectangle.
function differing(a, b, tolerance = 0, rect = null) {
  assert.equal(a.width, b.width, 'widths');
  assert.equal(a.height, b.height, 'heights');
  const [x0, y0, x1, y1] = rect || [0, 0, a.width, a.height];
  let n = 0;
  for (let y = y0; y < y1; y++)
    for (let x = x0; x < x1; x++) {
      const i = (y * a.width + x) * 4;
      for (let c = 0; c < 3; c++)
        if (Math.abs(a.data[i + c] - b.data[i + c]) > tolerance) { n++; break; }
    }
  return n;
}

// animtool's picture after `frames` frames, in the colours OpenGL draws: animtool writes its own
// palette bytes, the desktop player the framebuffer's rounding of the same colours.
function reference(file, w, h, frames) {
  const raw = execFileSync(animtool, ['render', file, '--raw', '--size', `${w}x${h}`, '--frames',
                                      String(frames), '-o', '-'], { maxBuffer: 1 << 30 });
  const last = raw.subarray(raw.length - w * h * 3), out = new Uint8Array(w * h * 4);
  for (let i = 0; i < w * h; i++) {
    const key = (last[i * 3] << 16) | (last[i * 3 + 1] << 8) | last[i * 3 + 2];
    const gl = glColour.get(key);
    assert.notEqual(gl, undefined, `colour ${key.toString(16)} is not a palette colour`);
    out.set([gl >> 16, (gl >> 8) & 255, gl & 255, 255], i * 4);
  }
  return { width: w, height: h, data: out };
}

// The native headless player's snapshot after `poll` polls, with the same switches.
function headlessSnapshot(args, poll, screen = '1200x900') {
  const dir = mkdtempSync(join(work, 'headless-'));
  writeFileSync(join(dir, 'script.txt'), `${poll} snapshot shot.png\n${poll + 1} quit\n`);
  execFileSync(join(nativeBuild, 'vantorel-headless'), args, {
    cwd: dir, env: { ...process.env, VANTOREL_SCRIPT: 'script.txt', VANTOREL_SCREEN: screen } });
  return readPng(join(dir, 'shot.png'));
}

// An ANIM file of `version` made by animtool from frames of palette colours: a w x h picture
// where frame k moves a few blocks of colour and changes a scattering of single pixels.
function makeAnim(name, version, w, h, frames, palette) {
  const raw = Buffer.alloc(w * h * 3 * frames);
  for (let k = 0; k < frames; k++)
    for (let y = 0; y < h; y++)
      for (let x = 0; x < w; x++) {
        let index = ((x >> 3) + (y >> 3) * 3 + k * 7) % 256;
        if ((x * 7 + y * 13 + k * 5) % 31 === 0) index = (index * 11 + 5) % 256;
        if (k > 0 && x > w / 2 && y > h / 2) index = (k * 40 + 3) % 256;  // unchanged areas too
        raw.set(palette[index], ((k * h + y) * w + x) * 3);
      }
  const path = join(served, name);
  execFileSync(animtool, ['encode', '--version', String(version), '--raw', `${w}x${h}`, '-o', path, '-'],
               { input: raw });
  return path;
}

// ---- set-up ---------------------------------------------------------------------------------------

before(async () => {
  work = mkdtempSync(join(tmpdir(), 'vantorel-web-'));
  served = join(webBuild, 'test-files');
  rmSync(served, { recursive: true, force: true });
  mkdirSync(served);

  // Every palette colour as animtool writes it and as OpenGL draws it (one pixel each).
  execFileSync(animtool, ['palette', '-o', join(work, 'p.pal')]);
  const palette = readFileSync(join(work, 'p.pal'), 'latin1').trim().split(/\r?\n/).slice(3)
    .map((line) => line.trim().split(/\s+/).map(Number));
  assert.equal(palette.length, 256);
  const swatch = Buffer.alloc(16 * 16 * 3);
  palette.forEach((c, i) => swatch.set(c, i * 3));
  const swatchAnim = join(work, 'swatch.anim');
  execFileSync(animtool, ['encode', '--raw', '16x16', '-o', swatchAnim, '-'], { input: swatch });
  const drawn = headlessSnapshot(['-res:16x16', '-paused', swatchAnim], 3);
  const written = execFileSync(animtool, ['render', swatchAnim, '--raw', '--size', '16x16', '-o', '-']);
  glColour = new Map();
  for (let i = 0; i < 256; i++) {
    const key = (written[i * 3] << 16) | (written[i * 3 + 1] << 8) | written[i * 3 + 2];
    const gl = (drawn.data[i * 4] << 16) | (drawn.data[i * 4 + 1] << 8) | drawn.data[i * 4 + 2];
    assert.ok(!glColour.has(key) || glColour.get(key) === gl, 'one drawn colour per written one');
    glColour.set(key, gl);
  }

  makeAnim('v1.anim', 1, 96, 64, 6, palette);
  makeAnim('v2.anim', 2, 96, 64, 6, palette);
  execFileSync('cp', [join(root, 'assets/demo.anim'), join(root, 'assets/demo_captions.txt'), served]);

  const s = await startServer(webBuild);
  server = s.process;
  baseUrl = s.url;
  browser = await chromium.launch({
    executablePath: '/usr/bin/chromium',
    headless: true,
    // Playwright gives every launch a fresh profile folder of its own.
    args: ['--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
           '--disable-background-networking', '--disable-component-update', '--disable-sync'],
  });
});

after(async () => {
  if (browser) await browser.close();
  if (server) server.kill();
  if (served) rmSync(served, { recursive: true, force: true });
  if (work) rmSync(work, { recursive: true, force: true });
});

// ---- tests ----------------------------------------------------------------------------------------

// Paused on frame 1, then Right arrow steps: after each step the picture is frame n exactly.
async function checkFrames(file, w, h, steps) {
  const page = await openPage(`vantorel.html?src=test-files/${file}&paused&res=${w}x${h}`);
  await running(page);
  const local = join(served, file);
  let frame = 1;
  assert.equal(differing(await canvasPixels(page), reference(local, w, h, frame)), 0, `${file} frame 1`);
  for (const step of steps) {
    for (let i = 0; i < step; i++) {
      await page.keyboard.press('ArrowRight');
      await passes(page, 2);
    }
    frame += step;
    assert.equal(differing(await canvasPixels(page), reference(local, w, h, frame)), 0,
                 `${file} frame ${frame}`);
  }
  await page.close();
}

// The same scenes through OSMesa and through the layer over WebGL 2: exact where OpenGL 1.1 fixes
// the result, within each scene's tolerance where filtering, blending or lighting round.
test('the OpenGL 1.1 layer draws the scenes as OSMesa does', async () => {
  const dir = mkdtempSync(join(work, 'scenes-'));
  execFileSync(join(nativeBuild, 'tests/gl_scenes_osmesa'), [dir]);
  const page = await openPage('gl-scenes.html');
  await page.waitForFunction(() => window.glScenesDone, null, WAIT);
  assert.equal(await page.evaluate(() => window.glScenesDone), 'done');
  const scenes = await page.evaluate(() => window.glScenes);
  assert.ok(scenes.length >= 10);
  const size = 64, report = [];
  for (const scene of scenes) {
    const desk = readFileSync(join(dir, `${scene.name}.rgba`));
    const a = { width: size, height: size, data: Uint8Array.from(scene.pixels) };
    const b = { width: size, height: size, data: new Uint8Array(desk) };
    const off = differing(a, b, scene.tolerance);
    if (off > scene.maxOff) {
      let where = '';
      for (let i = 0; i < size * size && !where; i++)
        for (let c = 0; c < 3; c++)
          if (Math.abs(a.data[i * 4 + c] - b.data[i * 4 + c]) > scene.tolerance) {
            where = ` (first at ${i % size},${Math.floor(i / size)} from the bottom: ` +
                    `${a.data.subarray(i * 4, i * 4 + 3)} here, ${b.data.subarray(i * 4, i * 4 + 3)} in OSMesa)`;
            break;
          }
      report.push(`${scene.name}: ${off} pixels off by more than ${scene.tolerance}${where}`);
    }
  }
  assert.deepEqual(report, []);
  await page.close();
});

test('the demo plays frame for frame as animtool renders it', async () => {
  await checkFrames('demo.anim', 640, 480, [1, 4]);
});

test('version 1 and version 2 files play frame for frame', async () => {
  await checkFrames('v1.anim', 96, 64, [1, 2, 2]);
  await checkFrames('v2.anim', 96, 64, [1, 2, 2]);
});

test('frame numbers and a caption are where the headless player puts them', async () => {
  const args = ['-paused', '-res:640x480', '-showframenums', '-captionfile:demo_captions.txt'];
  const page = await openPage('vantorel.html?src=test-files/demo.anim&paused&res=640x480' +
                              '&showframenums&captionfile=test-files/demo_captions.txt');
  await running(page);
  await passes(page, 2);
  const web = await canvasPixels(page);
  const dir = mkdtempSync(join(work, 'overlay-'));
  execFileSync('cp', [join(served, 'demo.anim'), join(served, 'demo_captions.txt'), dir]);
  const desk = headlessSnapshot([...args.slice(0, 3), `-captionfile:${join(dir, 'demo_captions.txt')}`,
                                 join(dir, 'demo.anim')], 4);
  const plain = reference(join(served, 'demo.anim'), 640, 480, 1);
  const overlay = differing(desk, plain);
  assert.ok(overlay > 500, `the headless player drew an overlay (${overlay} pixels)`);
  // Text is drawn with blending and filtering: a few edge pixels may round differently.
  const off = differing(web, desk, 24);
  assert.ok(off <= overlay * 0.05, `${off} of ${overlay} overlay pixels differ`);
  await page.close();
});

test('keys: P pauses, F toggles the overlay, R restarts, Q and Escape leave it playing', async () => {
  const page = await openPage('vantorel.html?src=test-files/demo.anim&res=640x480&fps=50');
  await running(page);
  await passes(page, 10);
  await page.keyboard.press('p');
  await passes(page, 3);
  const paused = await canvasPixels(page);
  await passes(page, 10);
  assert.equal(differing(await canvasPixels(page), paused), 0, 'the picture stays while paused');

  await page.keyboard.press('f');
  await passes(page, 3);
  const numbered = await canvasPixels(page);
  assert.ok(differing(numbered, paused) > 50, 'F shows the frame numbers');
  await page.keyboard.press('f');
  await passes(page, 3);

  await page.keyboard.press('r');
  await passes(page, 3);
  assert.equal(differing(await canvasPixels(page), reference(join(served, 'demo.anim'), 640, 480, 1)), 0,
               'R starts again from frame 1');

  // On a web page no key ends the player: it plays on.
  await page.keyboard.press('p');
  await page.keyboard.press('q');
  await page.keyboard.press('Escape');
  await passes(page, 10);
  assert.equal(await status(page), 'running');
  assert.ok(differing(await canvasPixels(page), reference(join(served, 'demo.anim'), 640, 480, 1)) > 0,
            'frames go on after Q');
  await page.close();
});

test('on a phone the first screen plays the demo, scaled to fit, with touch controls', async () => {
  const context = await browser.newContext({ viewport: { width: 390, height: 844 }, isMobile: true, hasTouch: true,
                                             deviceScaleFactor: 3 });
  const page = await context.newPage();
  await page.goto(baseUrl + 'vantorel.html');
  assert.equal(await status(page), 'idle');
  assert.match(await page.locator('#intro').textContent(), /An \.anim file is an animation/);
  await page.tap('#demo');
  await running(page);
  assert.match(page.url(), /\?src=demo\.anim&captionfile=demo_captions\.txt$/);
  const fit = await page.evaluate(() => {
    const r = document.getElementById('player').getBoundingClientRect();
    return [r.right <= 390, Math.round(r.width * 3 / 4) === Math.round(
      document.getElementById('player').shadowRoot.querySelector('canvas').getBoundingClientRect().height),
    document.documentElement.scrollWidth <= 390];
  });
  assert.deepEqual(fit, [true, true, true], 'inside the screen, 4:3, no sideways scrolling');
  await page.locator('vantorel-player .bar button.play').tap();
  await page.waitForFunction(() => document.getElementById('player').paused, null, WAIT);
  await context.close();
});

test('once ends on the last frame; version and help print the player\'s texts', async () => {
  let page = await openPage('vantorel.html?src=test-files/v2.anim&once&fps=50&delay=0');
  await page.waitForFunction(() => window.vantorel.status === 'ended', null, WAIT);
  assert.equal(await page.evaluate(() => window.vantorel.exitCode), 0);
  assert.equal(differing(await canvasPixels(page), reference(join(served, 'v2.anim'), 96, 64, 6)), 0);
  await page.close();
  page = await openPage('vantorel.html?version');
  await page.waitForFunction(() => window.vantorel.status === 'ended', null, WAIT);
  assert.match(await page.locator('#console').textContent(), /^vantorel \d/);
  await page.close();
  page = await openPage('vantorel.html?help');
  await page.waitForFunction(() => window.vantorel.status === 'ended', null, WAIT);
  assert.match(await page.locator('#console').textContent(), /-fps:n\tPlay at n frames per second/);
  await page.close();
});

test('a file dropped on the page plays', async () => {
  const page = await openPage('vantorel.html?paused&res=96x64');
  assert.equal(await status(page), 'idle');
  const bytes = readFileSync(join(served, 'v2.anim')).toString('base64');
  await page.evaluate((b64) => {
    const data = Uint8Array.from(atob(b64), (c) => c.charCodeAt(0));
    const dt = new DataTransfer();
    dt.items.add(new File([data], 'dropped.anim'));
    document.getElementById('stage').dispatchEvent(new DragEvent('drop', { dataTransfer: dt, bubbles: true,
                                                                           cancelable: true }));
  }, bytes);
  await running(page);
  await passes(page, 2);
  assert.equal(differing(await canvasPixels(page), reference(join(served, 'v2.anim'), 96, 64, 1)), 0);
  await page.close();
});

test('a missing file shows its address and the server\'s answer in the player', async () => {
  const page = await openPage('vantorel.html?src=test-files/missing.anim');
  await page.waitForFunction(() => window.vantorel.boxes.length > 0, null, WAIT);
  const error = page.locator('vantorel-player .error');
  assert.equal(await error.textContent(), 'test-files/missing.anim: 404 Not Found');
  assert.ok(await error.isVisible());
  assert.equal(await status(page), 'ended');
  assert.equal(await page.evaluate(() => window.vantorel.exitCode), 1);
  await page.close();
});

test('the gallery draws its scene as the headless gallery does', async () => {
  const png = join(work, 'gallery.png');
  execFileSync(join(nativeBuild, 'vantorel-gallery-headless'), ['-o', png], {
    env: { ...process.env, VANTOREL_SCREEN: '1200x900' } });
  const desk = readPng(png);
  const page = await openPage('gallery.html');
  await running(page);
  await passes(page, 3);
  const web = await canvasPixels(page);
  assert.equal(web.width, desk.width);
  assert.equal(web.height, desk.height);
  // Regions of the scene: lit shapes, textured sky, blended panel and text are drawn with
  // filtering and lighting that round differently; most pixels agree closely.
  const cols = 4, rows = 3;
  for (let r = 0; r < rows; r++)
    for (let c = 0; c < cols; c++) {
      const rect = [Math.floor(c * web.width / cols), Math.floor(r * web.height / rows),
                    Math.floor((c + 1) * web.width / cols), Math.floor((r + 1) * web.height / rows)];
      const area = (rect[2] - rect[0]) * (rect[3] - rect[1]);
      const off = differing(web, desk, 32, rect);
      assert.ok(off <= area * 0.05, `region ${r},${c}: ${off} of ${area} pixels differ`);
    }
  await page.close();
});

test('three examples draw as their headless builds do', async () => {
  for (const name of ['first_program', 'shapes3d', 'skybox']) {
    const png = join(work, `${name}.png`);
    const script = join(work, `${name}.script`);
    writeFileSync(script, `3 snapshot ${png}\n4 quit\n`);
    execFileSync(join(nativeBuild, 'examples', `example-${name}-headless`), [],
                 { env: { ...process.env, VANTOREL_SCRIPT: script } });
    const desk = readPng(png);
    const page = await openPage(`example.html?name=${name}`);
    await running(page);
    await passes(page, 3);
    const web = await canvasPixels(page);
    // Flat colours and text agree exactly; lit and textured surfaces round a little differently.
    const off = differing(web, desk, 32);
    assert.ok(off <= web.width * web.height * 0.02, `${name}: ${off} pixels differ`);
    await page.close();
  }
});

test('S offers the picture as a PNG download', async () => {
  const page = await openPage('vantorel.html?src=test-files/v2.anim&paused&res=96x64');
  await running(page);
  await passes(page, 2);
  const download = page.waitForEvent('download', WAIT);
  await page.keyboard.press('s');
  const file = await download;
  assert.match(file.suggestedFilename(), /^screenshot\d{5}\.png$/);
  const path = join(work, 'shot.png');
  await file.saveAs(path);
  const png = readPng(path);
  assert.equal(differing(png, reference(join(served, 'v2.anim'), 96, 64, 1)), 0);
  await page.close();
});

test('F11 takes the picture full screen, scaled to fit, and back', async () => {
  const page = await openPage('vantorel.html?src=test-files/demo.anim&res=640x480', { width: 1000, height: 700 });
  await running(page);
  const size = () => page.evaluate(() => {
    const c = document.querySelector('vantorel-player').shadowRoot.querySelector('canvas');
    return [!!document.fullscreenElement, c.width, c.height, Math.round(c.getBoundingClientRect().width),
            Math.round(c.getBoundingClientRect().height)];
  });
  await page.keyboard.press('F11');
  await page.waitForFunction(() => !!document.fullscreenElement, null, WAIT);
  await page.waitForFunction(() => document.querySelector('vantorel-player').shadowRoot.querySelector('canvas')
    .getBoundingClientRect().height === 700, null, WAIT);
  // The drawing area stays the animation's; the browser scales it to the screen's height.
  const [full, w, h, cssW] = await size();
  assert.deepEqual([full, w, h], [true, 640, 480]);
  assert.ok(Math.abs(cssW - 1000) <= 1, `full-screen canvas box ${cssW} wide`);
  await passes(page, 3);
  await page.keyboard.press('F11');
  await page.waitForFunction(() => !document.fullscreenElement, null, WAIT);
  assert.deepEqual(await size(), [false, 640, 480, 640, 480]);
  await page.close();
});
