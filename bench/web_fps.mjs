// Frame rate of the web player in headless Chromium beside the native headless player:
//   node bench/web_fps.mjs [BUILD] [WEB_BUILD]      (make web-bench)
// 1. the demo (640x480) at 25 frames/s: the frames shown per second over ten seconds of playing,
//    counted from the player's polls (one per pass), which should hold 25 within 1%;
// 2. a generated 1280x720 animation of moving sprites over a still background played once flat
//    out (-fms:0), timed from its first pass to its end, in the browser and natively.
// 3. the <vantorel-player> element: the sprites flat out (decoded and painted frames a second,
//    beside the native player's steady state), the main thread's busy share with the demo playing
//    at 25 frames/s and paused, four demos at 25 frames/s on one page, and the demo over a network
//    of 1.6 Mbit/s with 150 ms latency: the time to its first frame and the bytes fetched by then
//    (from a plain server, and from one that gzips scripts and WebAssembly as most sites do);
//    and the element's files' sizes, gzipped.
// Figures, not assertions: Chromium draws through SwiftShader on the processor here.
import { execFileSync } from 'node:child_process';
import { mkdtempSync, readFileSync, rmSync, mkdirSync, writeFileSync } from 'node:fs';
import { gzipSync } from 'node:zlib';
import { createRequire } from 'node:module';
import { join, dirname, resolve } from 'node:path';
import { tmpdir } from 'node:os';
import { fileURLToPath } from 'node:url';
import { spawn } from 'node:child_process';
import { createServer } from 'node:http';

const root = resolve(dirname(fileURLToPath(import.meta.url)), '..');
const require = createRequire(join(root, 'tests/web/package.json'));
const { chromium } = require('playwright-core');
const build = resolve(root, process.argv[2] || 'build');
const web = resolve(root, process.argv[3] || 'build-web');
const W = 1280, H = 720, FRAMES = 120;

// Ten 64x64 sprites over a still checked background: about 5% of the picture changes a frame.
function spritesAnim(path) {
  const pal = readFileSync(path + '.pal', 'latin1').trim().split(/\r?\n/).slice(3)
    .map((l) => l.trim().split(/\s+/).map(Number));
  const raw = Buffer.alloc(W * H * 3 * FRAMES);
  for (let k = 0; k < FRAMES; k++) {
    const f = raw.subarray(k * W * H * 3, (k + 1) * W * H * 3);
    for (let y = 0; y < H; y++)
      for (let x = 0; x < W; x++) f.set(pal[((x >> 5) + (y >> 5)) % 2 ? 20 : 60], (y * W + x) * 3);
    for (let s = 0; s < 10; s++) {
      const sx = Math.abs(((s * 211 + k * (5 + s)) % (2 * (W - 64))) - (W - 64));
      const sy = Math.abs(((s * 97 + k * (3 + s)) % (2 * (H - 64))) - (H - 64));
      for (let y = 0; y < 64; y++)
        for (let x = 0; x < 64; x++) f.set(pal[40 + ((s * 17 + (x >> 3) + (y >> 3)) % 200)], ((sy + y) * W + sx + x) * 3);
    }
  }
  execFileSync(join(build, 'animtool'), ['encode', '--raw', `${W}x${H}`, '-o', path, '-'], { input: raw });
}

function serve(dir) {
  return new Promise((ok) => {
    const p = spawn('python3', ['-u', '-m', 'http.server', '--bind', '127.0.0.1', '0'], { cwd: dir });
    let text = '';
    p.stdout.on('data', (d) => {
      text += d;
      const m = /port (\d+)/.exec(text);
      if (m) ok({ p, url: `http://127.0.0.1:${m[1]}/` });
    });
  });
}

// A server as most sites have one: scripts, pages and WebAssembly sent gzip-compressed when the
// browser asks for it, everything else (the .anim files) as it is.
function serveGzip(dir) {
  const types = { '.html': 'text/html', '.js': 'text/javascript', '.mjs': 'text/javascript',
                  '.wasm': 'application/wasm', '.anim': 'application/octet-stream' };
  const server = createServer((req, res) => {
    const path = join(dir, decodeURIComponent(new URL(req.url, 'http://x').pathname));
    let body;
    try { body = readFileSync(path); } catch { res.writeHead(404); res.end(); return; }
    const ext = path.slice(path.lastIndexOf('.'));
    const head = { 'Content-Type': types[ext] || 'application/octet-stream' };
    if (ext !== '.anim' && /gzip/.test(req.headers['accept-encoding'] || '')) {
      body = gzipSync(body, { level: 6 });
      head['Content-Encoding'] = 'gzip';
    }
    head['Content-Length'] = body.length;
    res.writeHead(200, head);
    res.end(body);
  });
  return new Promise((ok) => server.listen(0, '127.0.0.1', () =>
    ok({ server, url: `http://127.0.0.1:${server.address().port}/` })));
}

const work = mkdtempSync(join(tmpdir(), 'vantorel-web-bench-'));
const files = join(web, 'bench-files');
mkdirSync(files, { recursive: true });
const sprites = join(files, 'sprites.anim');
execFileSync(join(build, 'animtool'), ['palette', '-o', sprites + '.pal']);
spritesAnim(sprites);
execFileSync('cp', [join(root, 'assets/demo.anim'), files]);

// Native: the headless player flat out, wall time of the whole run.
const t0 = process.hrtime.bigint();
execFileSync(join(build, 'vantorel-headless'), ['-once', '-fms:0', `-res:${W}x${H}`, sprites],
             { env: { ...process.env, VANTOREL_SCREEN: '1920x1080' } });
const native = FRAMES / (Number(process.hrtime.bigint() - t0) / 1e9);

// Native steady state: two looping runs that end at different passes (one frame a pass), so that
// start-up and the first frames' cost drop out of the difference.
function nativeRun(passes) {
  const script = join(work, `quit${passes}.txt`);
  writeFileSync(script, `${passes} quit\n`);
  const t = process.hrtime.bigint();
  execFileSync(join(build, 'vantorel-headless'), ['-fms:0', `-res:${W}x${H}`, sprites],
               { env: { ...process.env, VANTOREL_SCREEN: '1920x1080', VANTOREL_SCRIPT: script } });
  return Number(process.hrtime.bigint() - t) / 1e9;
}
const nativeSteady = 400 / (nativeRun(420) - nativeRun(20));

const { p: server, url } = await serve(web);
const browser = await chromium.launch({
  executablePath: '/usr/bin/chromium', headless: true,
  args: ['--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
         '--disable-background-networking', '--disable-component-update', '--disable-sync'],
});

async function pollsPerSecond(page, seconds) {
  const a = await page.evaluate(() => [window.vantorel.polls, performance.now()]);
  await page.waitForTimeout(seconds * 1000);
  const b = await page.evaluate(() => [window.vantorel.polls, performance.now()]);
  return (b[0] - a[0]) / ((b[1] - a[1]) / 1000);
}

let page = await browser.newPage({ viewport: { width: 1400, height: 900 } });
await page.goto(`${url}vantorel.html?src=bench-files/demo.anim&fps=25&res=640x480`);
await page.waitForFunction(() => window.vantorel.polls > 25, null, { timeout: 120000 });
const demo = await pollsPerSecond(page, 10);
await page.close();

page = await browser.newPage({ viewport: { width: 1400, height: 900 } });
await page.goto(`${url}vantorel.html?src=bench-files/sprites.anim&fms=0&once&res=${W}x${H}`);
await page.waitForFunction(() => window.vantorel.polls >= 1, null, { timeout: 120000 });
const start = await page.evaluate(() => [window.vantorel.polls, performance.now()]);
await page.waitForFunction(() => window.vantorel.status === 'ended', null, { timeout: 600000 });
const end = await page.evaluate(() => performance.now());
const flat = (FRAMES - start[0]) / ((end - start[1]) / 1000);
await page.close();

// The element: pages of our own beside the files.
const elementPage = (name, body) => writeFileSync(join(files, name), `<!doctype html><meta charset="utf-8">
  <script type="module" src="../vantorel-player.js"></script><body style="margin:0">${body}</body>`);
elementPage('flat.html', `<vantorel-player id="p0" src="sprites.anim" fms="0" autoplay loop></vantorel-player>
  <script>window.paints = 0; (function count() { window.paints++; requestAnimationFrame(count); })();</script>`);
elementPage('four.html', [0, 1, 2, 3].map((i) => `<vantorel-player id="p${i}" src="demo.anim" autoplay loop
  style="width:320px"></vantorel-player>`).join(''));
elementPage('one.html', `<vantorel-player id="p0" src="demo.anim" autoplay loop></vantorel-player>`);

// Flat out in a loop, steady state: the passes (one decoded frame each) and the browser's
// paintings (animation frames) over eight seconds once the first round is done.
page = await browser.newPage({ viewport: { width: 1400, height: 900 } });
await page.goto(`${url}bench-files/flat.html`);
await page.waitForFunction((n) => document.getElementById('p0').polls >= n, FRAMES + 5, { timeout: 300000, polling: 100 });
const flatState = () => page.evaluate(() => [document.getElementById('p0').polls, window.paints, performance.now()]);
const e0 = await flatState();
await page.waitForTimeout(8000);
const e1 = await flatState();
const elementFlat = (e1[0] - e0[0]) / ((e1[2] - e0[2]) / 1000);
const elementPaints = (e1[1] - e0[1]) / ((e1[2] - e0[2]) / 1000);
await page.close();

// The main thread's busy share (the renderer's task time over the wall time) with one demo
// playing at 25 frames/s, then paused.
page = await browser.newPage({ viewport: { width: 1400, height: 900 } });
const perf = await page.context().newCDPSession(page);
await perf.send('Performance.enable');
await page.goto(`${url}bench-files/one.html`);
await page.waitForFunction(() => document.getElementById('p0').polls > 25, null, { timeout: 120000, polling: 100 });
async function busyShare(seconds) {
  const taskTime = async () => (await perf.send('Performance.getMetrics')).metrics.find((m) => m.name === 'TaskDuration').value;
  const a = await taskTime(), t = process.hrtime.bigint();
  await page.waitForTimeout(seconds * 1000);
  return (await taskTime() - a) / (Number(process.hrtime.bigint() - t) / 1e9);
}
const busyPlaying = await busyShare(10);
await page.evaluate(() => document.getElementById('p0').pause());
await page.waitForTimeout(500);
const busyPaused = await busyShare(10);
await page.close();

page = await browser.newPage({ viewport: { width: 1400, height: 900 } });
await page.goto(`${url}bench-files/four.html`);
await page.waitForFunction(() => [0, 1, 2, 3].every((i) => document.getElementById(`p${i}`).polls > 25), null,
                           { timeout: 120000, polling: 100 });
const counts = () => page.evaluate(() => [[0, 1, 2, 3].map((i) => document.getElementById(`p${i}`).polls), performance.now()]);
const f0 = await counts();
await page.waitForTimeout(10000);
const f1 = await counts();
const four = f0[0].map((n, i) => (f1[0][i] - n) / ((f1[1] - f0[1]) / 1000));
await page.close();

// Throttled: a fresh page with an empty cache, timed from navigation to the first frame.
async function firstFrameOver(base) {
  const context = await browser.newContext({ viewport: { width: 1400, height: 900 } });
  const page = await context.newPage();
  const cdp = await context.newCDPSession(page);
  await cdp.send('Network.enable');
  await cdp.send('Network.setCacheDisabled', { cacheDisabled: true });
  await cdp.send('Network.emulateNetworkConditions', { offline: false, latency: 150,
    downloadThroughput: 1.6e6 / 8, uploadThroughput: 1.6e6 / 8 });
  const n0 = Date.now();
  await page.goto(`${base}bench-files/one.html`, { waitUntil: 'commit' });
  await page.waitForFunction(() => document.getElementById('p0') && document.getElementById('p0').currentFrame >= 1,
                             null, { timeout: 300000, polling: 20 });
  const seconds = (Date.now() - n0) / 1000;
  const bytes = await page.evaluate(() => performance.getEntriesByType('resource').concat(performance.getEntriesByType('navigation'))
    .reduce((n, e) => n + (e.encodedBodySize || 0), 0));
  await context.close();
  return [seconds, bytes];
}
const [firstFrame, fetched] = await firstFrameOver(url);
const gzipServer = await serveGzip(web);
const [firstFrameGz, fetchedGz] = await firstFrameOver(gzipServer.url);
gzipServer.server.close();
await browser.close();
const gz = (f) => gzipSync(readFileSync(join(web, f)), { level: 9 }).length;
const elementBytes = gz('vantorel-player.js') + gz('vantorel.js') + gz('vantorel.wasm');
const zstdBytes = gz('vantorel-zstd.wasm');
server.kill();
rmSync(files, { recursive: true, force: true });
rmSync(work, { recursive: true, force: true });

console.log(`demo 640x480 at 25 frames/s, in Chromium:      ${demo.toFixed(2)} frames/s (${(100 * (demo - 25) / 25).toFixed(2)}%)`);
console.log(`sprites ${W}x${H} at -fms:0, in Chromium:      ${flat.toFixed(1)} frames/s`);
console.log(`sprites ${W}x${H} at -fms:0, native headless:  ${native.toFixed(1)} frames/s (start-up included), ${nativeSteady.toFixed(1)} steady`);
console.log(`sprites ${W}x${H} flat out, <vantorel-player>: ${elementFlat.toFixed(1)} frames/s steady (${(elementFlat / nativeSteady).toFixed(2)}x native), painted ${elementPaints.toFixed(1)} times/s`);
console.log(`demo at 25 frames/s, main thread busy:        ${(100 * busyPlaying).toFixed(1)}% playing, ${(100 * busyPaused).toFixed(1)}% paused`);
console.log(`four <vantorel-player> demos at 25 frames/s:  ${four.map((f) => f.toFixed(2)).join(', ')} frames/s`);
console.log(`demo at 1.6 Mbit/s, 150 ms: first frame after ${firstFrame.toFixed(1)} s, ${fetched} bytes fetched by then`);
console.log(`  the same from a server that gzips scripts:  ${firstFrameGz.toFixed(1)} s, ${fetchedGz} bytes fetched by then`);
console.log(`element, player and WebAssembly, gzipped:   ${elementBytes} bytes (zstd's module, fetched for zstd files only: ${zstdBytes})`);
