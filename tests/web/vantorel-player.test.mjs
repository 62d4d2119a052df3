// The <vantorel-player> element in Debian's headless Chromium, on pages of its own served from
// 127.0.0.1: exact frames of two elements on one page, keys only with focus, sizing, the end of
// a file without loop, the controls, off-screen and reduced-motion pauses, gzip and zstd files,
// the errors shown in the element, a file streamed by a slow server, and whole frames only on the
// canvas of a flat-out player. Nothing is timed: every wait polls the element's state.
// Run by `make test-web`; VANTOREL_BUILD and VANTOREL_WEB_BUILD name the two build trees.
import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import { createServer } from 'node:http';
import { mkdirSync, mkdtempSync, readFileSync, writeFileSync, rmSync, existsSync } from 'node:fs';
import { join, dirname, resolve, extname, normalize } from 'node:path';
import { tmpdir } from 'node:os';
import { gzipSync } from 'node:zlib';
import { fileURLToPath } from 'node:url';
import { chromium } from 'playwright-core';
import { readPng } from './png.mjs';

const root = resolve(dirname(fileURLToPath(import.meta.url)), '../..');
const nativeBuild = resolve(root, process.env.VANTOREL_BUILD || 'build');
const webBuild = resolve(root, process.env.VANTOREL_WEB_BUILD || 'build-web');
const animtool = join(nativeBuild, 'animtool');
// Polled on a timer: animation frames may come seldom while players keep the page busy.
const WAIT = { timeout: Number(process.env.VANTOREL_WEB_WAIT) || 120000, polling: 100 };
const TYPES = { '.html': 'text/html', '.js': 'text/javascript', '.wasm': 'application/wasm', '.svg': 'image/svg+xml' };

let server, baseUrl, browser, work, served, glColour;

// The web build's files (and under /pkg/ the folder the npm package is installed in), with the
// reason phrases of Python's server. Under /slow/ a test file comes in small pieces with pauses,
// and its last part only once the test calls slow.release().
let pkgFolder = null, slow = null;
async function sendSlowly(res, data) {
  res.writeHead(200, { 'Content-Type': 'application/octet-stream', 'Content-Length': data.length });
  for (let at = 0; at < data.length;) {
    if (at >= slow.hold) await slow.released;
    const end = Math.min(data.length, at + 16384, at < slow.hold ? slow.hold : data.length);
    res.write(data.subarray(at, end));
    slow.sent = at = end;
    await new Promise((ok) => setTimeout(ok, 10));
  }
  res.end();
}

function serve(req, res) {
  const url = new URL(req.url, 'http://x');
  if (url.pathname.startsWith('/slow/') && slow) {
    sendSlowly(res, readFileSync(join(served, url.pathname.slice(6))));
    return;
  }
  const pkg = url.pathname.startsWith('/pkg/') && pkgFolder;
  const base = pkg ? pkgFolder : webBuild;
  const path = normalize(join(base, decodeURIComponent(url.pathname.slice(pkg ? 4 : 0))));
  if (!path.startsWith(base) || !existsSync(path) || path === base) {
    res.writeHead(404, 'File not found');
    res.end('404');
    return;
  }
  const data = readFileSync(path);
  res.setHeader('Content-Type', TYPES[extname(path)] || 'application/octet-stream');
  res.setHeader('Content-Length', data.length);
  res.end(data);
}

function reference(file, w, h, frames) {
  const raw = execFileSync(animtool, ['render', file, '--raw', '--size', `${w}x${h}`, '--frames',
                                      String(frames), '-o', '-'], { maxBuffer: 1 << 30 });
  const last = raw.subarray(raw.length - w * h * 3), out = new Uint8Array(w * h * 4);
  for (let i = 0; i < w * h; i++) {
    const gl = glColour.get((last[i * 3] << 16) | (last[i * 3 + 1] << 8) | last[i * 3 + 2]);
    out.set([gl >> 16, (gl >> 8) & 255, gl & 255, 255], i * 4);
  }
  return { width: w, height: h, data: out };
}

function differing(a, b) {
  assert.equal(a.width, b.width, 'widths');
  assert.equal(a.height, b.height, 'heights');
  let n = 0;
  for (let i = 0; i < a.width * a.height * 4; i += 4)
    if (a.data[i] !== b.data[i] || a.data[i + 1] !== b.data[i + 1] || a.data[i + 2] !== b.data[i + 2]) n++;
  return n;
}

// The drawing buffer of element `id`'s canvas, before any scaling.
async function pixels(page, id) {
  const got = await page.evaluate((id) => {
    const c = document.getElementById(id).shadowRoot.querySelector('canvas');
    const gl = c.getContext('webgl2');
    gl.bindFramebuffer(gl.READ_FRAMEBUFFER, null);
    const w = c.width, h = c.height, b = new Uint8Array(w * h * 4), flip = new Uint8Array(w * h * 4);
    gl.readPixels(0, 0, w, h, gl.RGBA, gl.UNSIGNED_BYTE, b);
    for (let y = 0; y < h; y++) flip.set(b.subarray((h - 1 - y) * w * 4, (h - y) * w * 4), y * w * 4);
    let s = '';
    for (let i = 0; i < flip.length; i += 8192) s += String.fromCharCode.apply(null, flip.subarray(i, i + 8192));
    return { width: w, height: h, data: btoa(s) };
  }, id);
  return { width: got.width, height: got.height, data: new Uint8Array(Buffer.from(got.data, 'base64')) };
}

// A page of elements (HTML of the body), served from the test files' folder.
async function elementPage(name, body, options = {}) {
  writeFileSync(join(served, name), `<!doctype html><meta charset="utf-8">
    <script type="module" src="../vantorel-player.js"></script>
    <script>window.events = []; for (const t of ['play', 'pause', 'ended', 'error', 'loadedmetadata'])
      document.addEventListener(t, (e) => window.events.push(e.target.id + ':' + t + (e.message ? ':' + e.message : '')), true);</script>
    <body style="margin:0">${body}</body>`);
  const context = await browser.newContext({ viewport: { width: 1000, height: 700 }, ...options });
  const page = await context.newPage();
  page.on('pageerror', (e) => console.log(`page error: ${e.message}`));
  await page.goto(`${baseUrl}element-test-files/${name}`);
  return page;
}

// Waits until element id has polled `count` more times (so a key or tap has been taken).
async function passes(page, id, count) {
  const start = await page.evaluate((id) => document.getElementById(id).polls || 0, id);
  await page.waitForFunction(([id, n]) => (document.getElementById(id).polls || 0) >= n ||
                             document.getElementById(id).ended, [id, start + count], WAIT);
}
const prop = (page, id, name) => page.evaluate(([id, n]) => document.getElementById(id)[n], [id, name]);
const running = (page, id) => page.waitForFunction((id) => document.getElementById(id).polls > 2, id, WAIT);

before(async () => {
  work = mkdtempSync(join(tmpdir(), 'vantorel-element-'));
  served = join(webBuild, 'element-test-files');
  mkdirSync(served, { recursive: true });
  execFileSync(animtool, ['palette', '-o', join(work, 'p.pal')]);
  const palette = readFileSync(join(work, 'p.pal'), 'latin1').trim().split(/\r?\n/).slice(3)
    .map((line) => line.trim().split(/\s+/).map(Number));
  // Every palette colour as animtool writes it and as OpenGL draws it (one pixel each).
  const swatch = Buffer.alloc(16 * 16 * 3);
  palette.forEach((c, i) => swatch.set(c, i * 3));
  execFileSync(animtool, ['encode', '--raw', '16x16', '-o', join(work, 'swatch.anim'), '-'], { input: swatch });
  writeFileSync(join(work, 'script.txt'), '3 snapshot shot.png\n4 quit\n');
  execFileSync(join(nativeBuild, 'vantorel-headless'), ['-res:16x16', '-paused', 'swatch.anim'],
               { cwd: work, env: { ...process.env, VANTOREL_SCRIPT: 'script.txt' } });
  const drawn = readPng(join(work, 'shot.png'));
  glColour = new Map();
  for (let i = 0; i < 256; i++)
    glColour.set((palette[i][0] << 16) | (palette[i][1] << 8) | palette[i][2],
                 (drawn.data[i * 4] << 16) | (drawn.data[i * 4 + 1] << 8) | drawn.data[i * 4 + 2]);

  // Two small files of different extents, and one as gzip.
  for (const [name, version, w, h] of [['e1.anim', 1, 80, 48], ['e2.anim', 2, 96, 64]]) {
    const frames = 6, raw = Buffer.alloc(w * h * 3 * frames);
    for (let k = 0; k < frames; k++)
      for (let y = 0; y < h; y++)
        for (let x = 0; x < w; x++)
          raw.set(palette[((x >> 3) + (y >> 2) * 5 + k * 11 + version) % 256], ((k * h + y) * w + x) * 3);
    execFileSync(animtool, ['encode', '--version', String(version), '--raw', `${w}x${h}`, '-o',
                            join(served, name), '-'], { input: raw });
  }
  writeFileSync(join(served, 'e2.anim.gz'), gzipSync(readFileSync(join(served, 'e2.anim'))));
  execFileSync('cp', [join(root, 'assets/demo.anim'), served]);
  writeFileSync(join(served, 'picture.png'), Buffer.from('89504e470d0a1a0a0000000d49484452', 'hex'));
  writeFileSync(join(served, 'packed.anim'), execFileSync('zstd', ['-c', join(served, 'e2.anim')]));
  const packed = readFileSync(join(served, 'packed.anim'));
  writeFileSync(join(served, 'cut.anim.zst'), packed.subarray(0, packed.length >> 1));
  writeFileSync(join(served, 'page.anim'), '<!DOCTYPE html><html><body>not here</body></html>');

  server = createServer(serve);
  await new Promise((ok) => server.listen(0, '127.0.0.1', ok));
  baseUrl = `http://127.0.0.1:${server.address().port}/`;
  browser = await chromium.launch({
    executablePath: '/usr/bin/chromium', headless: true,
    args: ['--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
           '--disable-background-networking', '--disable-component-update', '--disable-sync'],
  });
});

after(async () => {
  if (browser) await browser.close();
  if (server) server.close();
  if (served) rmSync(served, { recursive: true, force: true });
  if (work) rmSync(work, { recursive: true, force: true });
});

test('two elements each play their own file exactly, and keys reach only the focused one', async () => {
  const page = await elementPage('two.html', `<p><input id="t"></p>
    <vantorel-player id="a" src="e2.anim"></vantorel-player>
    <vantorel-player id="b" src="e1.anim"></vantorel-player><div style="height:3000px"></div>`);
  await running(page, 'a');
  await running(page, 'b');
  assert.deepEqual([await prop(page, 'a', 'videoWidth'), await prop(page, 'a', 'videoHeight')], [96, 64]);
  assert.equal(await prop(page, 'b', 'frameCount'), 6);
  assert.equal(differing(await pixels(page, 'a'), reference(join(served, 'e2.anim'), 96, 64, 1)), 0);
  assert.equal(differing(await pixels(page, 'b'), reference(join(served, 'e1.anim'), 80, 48, 1)), 0);

  // Typing into the page's text box stays there.
  await page.click('#t');
  await page.keyboard.type('r f 1');
  await passes(page, 'a', 3);
  assert.equal(await page.inputValue('#t'), 'r f 1');
  assert.equal(differing(await pixels(page, 'a'), reference(join(served, 'e2.anim'), 96, 64, 1)), 0);

  // Tab moves from the text box to the first player, then to the second.
  await page.keyboard.press('Tab');
  assert.equal(await page.evaluate(() => document.activeElement.id), 'a');
  await page.keyboard.press('Tab');
  assert.equal(await page.evaluate(() => document.activeElement.id), 'b');

  // The focused player steps; the other stays.
  await page.keyboard.press('ArrowRight');
  await passes(page, 'b', 3);
  await page.keyboard.press('ArrowRight');
  await passes(page, 'b', 3);
  assert.equal(await prop(page, 'b', 'currentFrame'), 3);
  assert.equal(differing(await pixels(page, 'b'), reference(join(served, 'e1.anim'), 80, 48, 3)), 0);
  assert.equal(await prop(page, 'a', 'currentFrame'), 1);

  // Space pauses a focused player and scrolls the page otherwise.
  await page.keyboard.press('Space');
  await page.waitForFunction(() => window.events.includes('b:play'), null, WAIT);
  assert.equal(await page.evaluate(() => window.scrollY), 0);
  await page.evaluate(() => document.activeElement.blur());
  await page.keyboard.press('Space');
  await page.waitForFunction(() => window.scrollY > 0, null, WAIT);
  assert.ok(await prop(page, 'a', 'paused'));
  await page.context().close();
});

test('sizing: extent as intrinsic size, scaled by CSS with its aspect, exact before scaling', async () => {
  const page = await elementPage('size.html', `<div style="width:300px"><vantorel-player id="a" src="demo.anim"
    style="width:100%"></vantorel-player></div><vantorel-player id="b" src="e2.anim"></vantorel-player>`,
  { deviceScaleFactor: 2 });
  await running(page, 'a');
  await running(page, 'b');
  const box = await page.evaluate(() => {
    const r = (id) => document.getElementById(id).getBoundingClientRect();
    return [r('a').width, r('a').height, r('b').width, r('b').height];
  });
  assert.deepEqual(box, [300, 225, 96, 64]);
  assert.equal(differing(await pixels(page, 'a'), reference(join(served, 'demo.anim'), 640, 480, 1)), 0);
  await page.context().close();
});

test('without loop the element ends on the last frame; the controls work by click', async () => {
  const page = await elementPage('end.html', `<vantorel-player id="a" src="e2.anim" autoplay fps="50"></vantorel-player>
    <vantorel-player id="c" src="e1.anim" controls></vantorel-player>`);
  await page.waitForFunction(() => document.getElementById('a').ended, null, WAIT);
  assert.ok((await page.evaluate(() => window.events)).includes('a:ended'));
  assert.equal(differing(await pixels(page, 'a'), reference(join(served, 'e2.anim'), 96, 64, 6)), 0);

  await running(page, 'c');
  const click = (name) => page.locator(`#c .bar button.${name}`).click();
  await click('step');
  await page.waitForFunction(() => document.getElementById('c').currentFrame === 2, null, WAIT);
  assert.equal(differing(await pixels(page, 'c'), reference(join(served, 'e1.anim'), 80, 48, 2)), 0);
  await click('back');
  await page.waitForFunction(() => document.getElementById('c').currentFrame === 1, null, WAIT);
  await click('play');
  await page.waitForFunction(() => !document.getElementById('c').paused, null, WAIT);
  await click('play');
  await page.waitForFunction(() => document.getElementById('c').paused, null, WAIT);
  await click('faster');
  assert.match(await page.locator('#c .bar .rate').textContent(), /^1\.4×$/);
  await page.context().close();
});

test('off screen it stops decoding; with reduced motion it does not autoplay', async () => {
  const page = await elementPage('away.html', `<vantorel-player id="a" src="demo.anim" autoplay loop fps="50"></vantorel-player>
    <div style="height:4000px"></div><p id="far">far</p>`);
  await page.waitForFunction(() => document.getElementById('a').currentFrame > 3, null, WAIT);
  await page.locator('#far').scrollIntoViewIfNeeded();
  await passes(page, 'a', 4);
  const stopped = await prop(page, 'a', 'currentFrame');
  await passes(page, 'a', 10);
  assert.equal(await prop(page, 'a', 'currentFrame'), stopped);
  assert.equal(await prop(page, 'a', 'paused'), false, 'still playing as far as the page knows');
  await page.evaluate(() => window.scrollTo(0, 0));
  await page.waitForFunction((n) => document.getElementById('a').currentFrame !== n, stopped, WAIT);
  await page.context().close();

  const calm = await elementPage('calm.html', '<vantorel-player id="a" src="e2.anim" autoplay loop></vantorel-player>',
                                 { reducedMotion: 'reduce' });
  await running(calm, 'a');
  await passes(calm, 'a', 5);
  assert.equal(await prop(calm, 'a', 'paused'), true);
  assert.equal(await prop(calm, 'a', 'currentFrame'), 1);
  await calm.context().close();
});

test('gzip and zstd files play; errors are told in the element and by the error event', async () => {
  const page = await elementPage('errors.html', `
    <vantorel-player id="gz" src="e2.anim.gz"></vantorel-player>
    <vantorel-player id="missing" src="missing.anim"></vantorel-player>
    <vantorel-player id="png" src="picture.png"></vantorel-player>
    <vantorel-player id="zst" src="packed.anim"></vantorel-player>
    <vantorel-player id="html" src="page.anim"></vantorel-player>
    <vantorel-player id="cut" src="cut.anim.zst"></vantorel-player>
    <vantorel-player id="cap" src="e1.anim" captions="nocaptions.txt"></vantorel-player>`);
  for (const id of ['gz', 'zst']) {
    await running(page, id);
    assert.equal(differing(await pixels(page, id), reference(join(served, 'e2.anim'), 96, 64, 1)), 0);
  }
  const expected = {
    missing: 'missing.anim: 404 Not Found',
    png: 'picture.png: not an .anim file (it is a PNG image)',
    html: 'page.anim: not an .anim file (it is an HTML page)',
    cut: 'cut.anim.zst: damaged zstd data',
  };
  for (const [id, text] of Object.entries(expected)) {
    await page.waitForFunction((id) => document.getElementById(id).error, id, WAIT);
    assert.equal(await page.locator(`#${id} .error`).textContent(), text);
    assert.ok((await page.evaluate(() => window.events)).includes(`${id}:error:${text}`));
  }
  await running(page, 'cap');
  assert.ok((await page.evaluate(() => window.events)).includes('cap:error:nocaptions.txt: 404 Not Found (captions not shown)'));
  // A page opened as a file (with the classic script, as modules do not load there) fetches nothing.
  writeFileSync(join(served, 'file.html'), '<script src="../vantorel-player.classic.js"></script>' +
                '<vantorel-player id="gz" src="e2.anim.gz"></vantorel-player>');
  await page.goto(`file://${join(served, 'file.html')}`);
  await page.waitForFunction(() => document.getElementById('gz').error, null, WAIT);
  assert.equal(await page.locator('#gz .error').textContent(),
               'e2.anim.gz: open this page through a web server, or use the single-file build');
  await page.context().close();
});

test('the npm package installs into a fresh folder and plays from a page importing it', async () => {
  const tarball = join(webBuild, `vantorel-player-${JSON.parse(readFileSync(join(webBuild, 'npm/package.json'))).version}.tgz`);
  pkgFolder = mkdtempSync(join(work, 'site-'));
  writeFileSync(join(pkgFolder, 'package.json'), '{"name": "site", "private": true}');
  execFileSync('npm', ['install', '--offline', '--no-audit', '--no-fund', tarball], { cwd: pkgFolder, stdio: 'ignore' });
  execFileSync('cp', [join(served, 'e2.anim'), pkgFolder]);
  writeFileSync(join(pkgFolder, 'index.html'), `<!doctype html><meta charset="utf-8">
    <script type="module">import { VantorelPlayerElement } from './node_modules/vantorel-player/vantorel-player.js';
      window.defined = customElements.get('vantorel-player') === VantorelPlayerElement;</script>
    <vantorel-player id="a" src="e2.anim"></vantorel-player>`);
  const context = await browser.newContext();
  const page = await context.newPage();
  await page.goto(`${baseUrl}pkg/index.html`);
  await running(page, 'a');
  assert.equal(await page.evaluate(() => window.defined), true);
  assert.equal(differing(await pixels(page, 'a'), reference(join(served, 'e2.anim'), 96, 64, 1)), 0);
  await context.close();
});

test('streaming: the first frame shows before the last byte is sent; flat out only whole frames show', async () => {
  const demo = join(served, 'demo.anim'), total = readFileSync(demo).length;
  slow = { sent: 0, hold: 300000 };
  slow.released = new Promise((ok) => { slow.release = ok; });
  const page = await elementPage('slow.html', `<vantorel-player id="a" src="/slow/demo.anim"></vantorel-player>
    <vantorel-player id="b" src="e2.anim" fms="0" autoplay loop></vantorel-player>`);
  await running(page, 'a');
  assert.equal(differing(await pixels(page, 'a'), reference(demo, 640, 480, 1)), 0);
  assert.ok(slow.sent < total, `${slow.sent} of ${total} bytes sent`);
  assert.equal(await prop(page, 'a', 'frameCount'), null, 'the length is not known before the end');
  slow.release();
  await page.waitForFunction(() => document.getElementById('a').frameCount === 300, null, WAIT);
  slow = null;

  // Decoding runs ahead of the painting: the canvas, read between two tasks as the browser paints
  // it, always holds one whole frame (or the blank picture a new round starts from).
  await running(page, 'b');
  const e2 = join(served, 'e2.anim');
  const frames = [1, 2, 3, 4, 5, 6].map((k) => reference(e2, 96, 64, k));
  const blank = { width: 96, height: 64, data: new Uint8Array(96 * 64 * 4) };
  for (let i = 0; i < 6; i++) {
    const got = await pixels(page, 'b');
    assert.ok([...frames, blank].some((f) => differing(got, f) === 0), `sample ${i} is a whole frame`);
  }
  // Frames decoded faster than they are shown wait to be drawn together; paused, the picture is
  // the frame the element reports, none held back.
  await page.evaluate(() => document.getElementById('b').pause());
  await passes(page, 'b', 3);
  const at = await prop(page, 'b', 'currentFrame');
  assert.equal(differing(await pixels(page, 'b'), reference(e2, 96, 64, at)), 0, `paused on frame ${at}`);
  await page.context().close();
});
