// <vantorel-player>: an .anim animation on any page, as <img> or <video> would show it. Each
// element runs its own instance of the player (its own memory and canvas, in its shadow root);
// the WebAssembly is compiled once per page. Keys reach a player only while it has the focus,
// and nothing it does reaches outside its shadow root.
const here = import.meta.url;
const REASONS = {
  400: 'Bad Request', 401: 'Unauthorized', 403: 'Forbidden', 404: 'Not Found', 410: 'Gone',
  429: 'Too Many Requests', 500: 'Internal Server Error', 502: 'Bad Gateway',
  503: 'Service Unavailable', 504: 'Gateway Timeout',
};
const VK = { P: 0x50, R: 0x52, F: 0x46, S: 0x53, X: 0x58, Z: 0x5A, RIGHT: 0x27 };
const SPEED = 1.4;  // each faster or slower step, as the player's keys make it
const FILE_PAGE = 'open this page through a web server, or use the single-file build';
const FILE_PAGE_SINGLE = 'a page opened from a file plays only files chosen with Open';

let factoryPromise = null, wasmPromise = null;

// The player's loader, fetched beside this module (or already on the page: the single-file
// build defines it before this code), evaluated without leaving a global behind.
function loadFactory() {
  if (globalThis.VantorelPlayer) return Promise.resolve(globalThis.VantorelPlayer);
  if (!factoryPromise) {
    factoryPromise = fetch(new URL('vantorel.js', here)).then((r) => {
      if (!r.ok) throw new Error(`vantorel.js: ${statusText(r)}`);
      return r.text();
    }).then((text) => new Function(`${text}\n;return VantorelPlayer;`)());
  }
  return factoryPromise;
}

// The WebAssembly file `name` beside this module, compiled as it arrives (or, where the server
// does not say application/wasm, once it is in).
function compileBeside(name) {
  const url = new URL(name, here);
  return WebAssembly.compileStreaming(fetch(url)).catch(() =>
    fetch(url).then((r) => {
      if (!r.ok) throw new Error(`${name}: ${statusText(r)}`);
      return r.arrayBuffer();
    }).then((b) => WebAssembly.compile(b)));
}

// The compiled WebAssembly, shared by every element of the page; null in the single-file build,
// whose loader carries its own.
function loadWasm() {
  if (globalThis.VantorelPlayerSingleFile) return Promise.resolve(null);
  if (!wasmPromise) wasmPromise = compileBeside('vantorel.wasm');
  return wasmPromise;
}

// zstd's decompressor (vantorel-zstd.wasm beside this module, or the single-file build's copy),
// loaded the first time a zstd file comes: its exports.
let zstdPromise = null;
function loadZstd() {
  if (!zstdPromise) {
    const imports = { env: { emscripten_notify_memory_growth() {} } };
    const hex = globalThis.VantorelZstdWasm;
    const compiled = hex ? WebAssembly.compile(Uint8Array.from(hex.match(/../g), (h) => parseInt(h, 16)))
      : compileBeside('vantorel-zstd.wasm');
    zstdPromise = compiled.then((m) => WebAssembly.instantiate(m, imports)).then((instance) => {
      instance.exports._initialize();
      return instance.exports;
    });
    zstdPromise.catch(() => { zstdPromise = null; });  // a later file tries again
  }
  return zstdPromise;
}

// The plain bytes of a zstd file, or null when its data is damaged or cut short.
async function unzstd(bytes) {
  const z = await loadZstd();
  const at = z.vt_zstd_alloc(bytes.length), lengthAt = z.vt_zstd_alloc(4);
  new Uint8Array(z.memory.buffer, at, bytes.length).set(bytes);
  const out = z.vt_zstd_unpack(at, bytes.length, lengthAt);
  const length = new DataView(z.memory.buffer).getUint32(lengthAt, true);
  z.vt_zstd_free(at);
  z.vt_zstd_free(lengthAt);
  if (!out) return null;
  const plain = new Uint8Array(z.memory.buffer, out, length).slice();
  z.vt_zstd_free(out);
  return plain;
}

// A program that ends inside a sleep ends by an exception nothing catches: the end of a run.
if (typeof window !== 'undefined') {
  window.addEventListener('unhandledrejection', (e) => {
    if (e.reason && e.reason.name === 'ExitStatus') e.preventDefault();
  });
}

function statusText(response) {
  return `${response.status} ${REASONS[response.status] || response.statusText || 'error'}`.trim();
}

function startsWith(b, bytes, at = 0) {
  if (b.length < at + bytes.length) return false;
  for (let i = 0; i < bytes.length; i++) if (b[at + i] !== bytes[i]) return false;
  return true;
}
const ascii = (s) => Array.from(s, (c) => c.charCodeAt(0));

// What another format's file begins with, named for the user; null for anything else (an .anim
// file has no signature of its own beyond version 2's header, so only known ones are refused).
export function foreignFormat(b) {
  if (startsWith(b, [0x89, 0x50, 0x4E, 0x47])) return 'a PNG image';
  if (startsWith(b, ascii('GIF87a')) || startsWith(b, ascii('GIF89a'))) return 'a GIF image';
  if (startsWith(b, [0xFF, 0xD8, 0xFF])) return 'a JPEG image';
  if (startsWith(b, ascii('RIFF'))) return startsWith(b, ascii('WEBP'), 8) ? 'a WebP image' : 'a RIFF file (WAV or AVI)';
  if (startsWith(b, ascii('PK\x03\x04')) || startsWith(b, ascii('PK\x05\x06'))) return 'a ZIP archive';
  if (startsWith(b, ascii('%PDF'))) return 'a PDF document';
  if (startsWith(b, [0x7F, 0x45, 0x4C, 0x46])) return 'an ELF program';
  if (startsWith(b, ascii('MZ')) && b.length >= 0x40) {
    const at = b[0x3C] | (b[0x3D] << 8) | (b[0x3E] << 16) | (b[0x3F] << 24);
    if (at > 0 && startsWith(b, ascii('PE\0\0'), at)) return 'a Windows program';
  }
  if (startsWith(b, [0x1A, 0x45, 0xDF, 0xA3])) return 'a Matroska or WebM video';
  if (startsWith(b, ascii('ftyp'), 4)) return 'an MP4 or QuickTime video';
  // Text: skip a byte-order mark and white space, then a tag.
  let i = startsWith(b, [0xEF, 0xBB, 0xBF]) ? 3 : 0;
  while (i < b.length && i < 64 && (b[i] === 0x20 || b[i] === 0x09 || b[i] === 0x0A || b[i] === 0x0D)) i++;
  const head = String.fromCharCode(...b.subarray(i, i + 15)).toLowerCase();
  if (head.startsWith('<?xml') || head.startsWith('<svg')) return 'an XML document';
  if (head.startsWith('<!doctype html') || head.startsWith('<html') || head.startsWith('<!--')) return 'an HTML page';
  return null;
}

const isGzip = (b) => startsWith(b, [0x1F, 0x8B]);
const isZstd = (b) => startsWith(b, [0x28, 0xB5, 0x2F, 0xFD]);

async function gunzip(bytes) {
  if (typeof DecompressionStream === 'undefined') throw new Error('this browser cannot decompress gzip');
  const stream = new Blob([bytes]).stream().pipeThrough(new DecompressionStream('gzip'));
  return new Uint8Array(await new Response(stream).arrayBuffer());
}

// The file's bytes ready to play, or an Error whose message is for the user.
async function unpack(name, bytes) {
  if (isGzip(bytes)) {
    try {
      bytes = await gunzip(bytes);
    } catch (e) {
      throw new Error(`${name}: damaged gzip data`);
    }
  }
  if (isZstd(bytes)) {
    let plain;
    try {
      plain = await unzstd(bytes);
    } catch (e) {
      throw new Error(`${name}: the zstd decoder could not be loaded (${e.message || e})`);
    }
    if (!plain) throw new Error(`${name}: damaged zstd data`);
    bytes = plain;
  }
  const other = foreignFormat(bytes);
  if (other) throw new Error(`${name}: not an .anim file (it is ${other})`);
  return bytes;
}

function kb(n) { return n >= 1048576 ? `${(n / 1048576).toFixed(1)} MB` : `${Math.ceil(n / 1024)} KB`; }

const STYLE = `
:host { display: inline-block; position: relative; max-width: 100%; vertical-align: bottom;
        background: #000; color: #e8e8ee; font: 13px/1.3 system-ui, sans-serif; contain: content; }
:host([hidden]) { display: none; }
:host(:focus-visible) { outline: 2px solid #6aa0ff; outline-offset: 1px; }
.stage { position: relative; width: 100%; height: 100%; background: #000; }
canvas { display: block; width: 100%; height: auto; }
:host(:fullscreen) { max-width: none; }
:host(:fullscreen) .stage { display: flex; align-items: center; justify-content: center; }
:host(:fullscreen) canvas { width: 100%; height: 100%; object-fit: contain; }
.poster { position: absolute; inset: 0; width: 100%; height: 100%; object-fit: contain; }
.status, .error { position: absolute; left: 0; right: 0; top: 0; padding: 6px 8px;
                  background: rgba(0, 0, 0, 0.7); }
.error { color: #ffb0a0; white-space: pre-wrap; }
.bar { position: absolute; left: 0; right: 0; bottom: 0; display: flex; gap: 4px; align-items: center;
       padding: 4px; background: rgba(0, 0, 0, 0.6); transition: opacity 0.3s; flex-wrap: wrap; }
.bar.idle { opacity: 0; }
.stage.small .bar { position: static; background: #202024; }
.stage.small .bar.idle { opacity: 1; }
.bar button { font: inherit; color: inherit; background: #333; border: 1px solid #666; border-radius: 3px;
              min-width: 2.2em; min-height: 2em; padding: 0 6px; cursor: pointer; }
.bar button:focus-visible { outline: 2px solid #6aa0ff; }
.bar .grow { flex: 1; }
[hidden] { display: none !important; }
`;

const BUTTONS = [
  ['play', 'Play', '\u25B6'], ['restart', 'Restart', '\u21BA'], ['back', 'Step back', '\u25C0|'],
  ['step', 'Step forward', '|\u25B6'], ['slower', 'Slower', '\u2212'], ['rate', 'Playback rate', '1\u00D7'],
  ['faster', 'Faster', '+'], ['counter', 'Frame', ''], ['grow', '', ''], ['full', 'Full screen', '\u25A1'],
];

export class VantorelPlayerElement extends HTMLElement {
  static get observedAttributes() {
    return ['src', 'captions', 'controls', 'alt', 'poster', 'width', 'height', 'pixelated'];
  }

  constructor() {
    super();
    const root = this.attachShadow({ mode: 'open' });
    root.innerHTML = `<style>${STYLE}</style><style class="size"></style>
      <div class="stage" part="stage"><canvas part="canvas" width="300" height="150"></canvas>
      <img class="poster" alt="" hidden><div class="status" role="status" hidden></div>
      <div class="error" role="alert" hidden></div><div class="bar" part="controls" hidden></div></div>`;
    this._stage = root.querySelector('.stage');
    this._canvas = root.querySelector('canvas');
    this._sizeStyle = root.querySelector('.size');
    this._poster = root.querySelector('.poster');
    this._status = root.querySelector('.status');
    this._errorBox = root.querySelector('.error');
    this._bar = root.querySelector('.bar');
    this._buttons = {};
    for (const [name, label, text] of BUTTONS) {
      const b = document.createElement(name === 'counter' || name === 'grow' ? 'span' : 'button');
      b.className = name;
      b.textContent = text;
      if (b.tagName === 'BUTTON') {
        b.type = 'button';
        b.setAttribute('aria-label', label);
        b.title = label;
        b.addEventListener('click', (e) => { e.stopPropagation(); this._control(name); });
      }
      this._buttons[name] = b;
      this._bar.appendChild(b);
    }
    this._token = 0;
    this._module = null;
    this._paused = true;
    this._ended = false;
    this._rate = 1;
    this._frameCount = null;
    this._extent = null;
    this._taps = [];
    this._error = null;
    this._visible = true;
    this._offscreen = false;
    this._idleTimer = 0;
    this._lastFrameEvent = 0;
    this._lastFrame = -1;
    this.addEventListener('keydown', (e) => this._key(e));
    this._stage.addEventListener('pointermove', () => this._wake());
    this._stage.addEventListener('pointerdown', () => this._wake());
    this._stage.addEventListener('dblclick', () => this._toggleFullScreen());
    this._resize = new ResizeObserver(() => this._updateScaling());
    this._resize.observe(this._canvas);
  }

  // ---- attributes and properties --------------------------------------------------------------

  get src() { return this.getAttribute('src') || ''; }
  set src(v) { this.setAttribute('src', v); }
  get paused() { return this._paused; }
  get ended() { return this._ended; }
  get frameCount() { return this._frameCount; }
  get videoWidth() { return this._extent ? this._extent[0] : 0; }
  get videoHeight() { return this._extent ? this._extent[1] : 0; }
  get error() { return this._error; }
  get currentFrame() {
    if (!this._module) return 0;
    return this._ended ? this._frameCount || 0 : this._module._web_current_frame();
  }
  set currentFrame(n) {
    if (!this._module || !this._paused || this._ended) return;
    const target = Math.max(1, Math.floor(Number(n) || 1));
    const now = this.currentFrame;
    if (target === now) return;
    // Forward by steps; back by starting again and stepping (frames exist only as changes). A
    // player without loop ends at R, so it starts again in a new instance.
    if (target < now && !this.hasAttribute('loop')) {
      this._replay(false, target);
      return;
    }
    if (target < now) this._taps.push(VK.R, 0);
    for (let i = target < now ? 1 : now; i < target; i++) this._taps.push(VK.RIGHT);
  }
  get playbackRate() { return this._rate; }
  set playbackRate(r) {
    const steps = Math.round(Math.log(Number(r) || 1) / Math.log(SPEED));
    for (let i = 0; i < Math.abs(steps); i++) this._speed(steps > 0 ? 1 : -1);
  }

  connectedCallback() {
    if (!this.hasAttribute('tabindex')) this.tabIndex = 0;
    if (!this.hasAttribute('role')) this.setAttribute('role', 'group');
    this._label();
    this._applySize();
    this._bar.hidden = !this.hasAttribute('controls');
    this._watchVisibility();
    if (!this._started) queueMicrotask(() => this._maybeStart());
  }

  disconnectedCallback() {
    this._stop();
    if (this._observer) this._observer.disconnect();
    this._observer = null;
    this._started = false;
  }

  attributeChangedCallback(name, old, value) {
    if (name === 'src' || name === 'captions') {
      if (this._started && old !== value) this._load();
      else if (name === 'src') this._maybeStart();  // a src given after the element went in
    } else if (name === 'controls') {
      this._bar.hidden = value === null;
    } else if (name === 'alt') {
      this._label();
    } else if (name === 'poster') {
      this._poster.src = value || '';
      this._poster.hidden = !value || !!this._module;
    } else {
      this._applySize();
      this._updateScaling();
    }
  }

  play() {
    if (this._ended) {
      this._replay(true);
    } else if (this._paused && this._module) {
      this._taps.push(VK.P);
      this._setPaused(false);
    } else if (!this._module) {
      this._wantPlay = true;
      this._maybeStart(true);
    }
    return Promise.resolve();
  }

  pause() {
    this._wantPlay = false;
    if (!this._paused && this._module && !this._ended) {
      this._taps.push(VK.P);
      this._setPaused(true);
    }
  }

  // Plays a local file (a File or Blob from Open or a drop), with an optional caption file.
  async open(file, captionFile = null) {
    const bytes = new Uint8Array(await file.arrayBuffer());
    const caption = captionFile ? { name: captionFile.name, data: new Uint8Array(await captionFile.arrayBuffer()) } : null;
    this._started = true;
    return this._load({ name: file.name || 'file.anim', data: bytes }, caption);
  }

  // ---- loading --------------------------------------------------------------------------------

  _label() {
    this.setAttribute('aria-label', this.getAttribute('alt') || 'Animation');
  }

  _applySize() {
    const w = this.getAttribute('width'), h = this.getAttribute('height');
    const e = this._extent || [300, 150];
    const width = w ? `${parseFloat(w)}px` : h ? `${(parseFloat(h) * e[0]) / e[1]}px` : `${e[0]}px`;
    this._sizeStyle.textContent = `:host { width: ${width}; }\ncanvas { aspect-ratio: ${e[0]} / ${e[1]}; }`;
  }

  // Smooth when scaled down, sharp when scaled up by a whole factor; "pixelated" asks for sharp always.
  _updateScaling() {
    // Under a picture too narrow for the bar, the controls go below it rather than over it.
    this._stage.classList.toggle('small', this._canvas.clientWidth < 360);
    if (!this._extent) return;
    const scale = (this._canvas.clientWidth * (window.devicePixelRatio || 1)) / this._extent[0];
    const whole = scale >= 1 && Math.abs(scale - Math.round(scale)) < 0.01;
    this._canvas.style.imageRendering = this.hasAttribute('pixelated') || whole ? 'pixelated' : 'auto';
  }

  _watchVisibility() {
    if (this._observer || typeof IntersectionObserver === 'undefined') return;
    this._observer = new IntersectionObserver((entries) => {
      const seen = entries[entries.length - 1].isIntersecting;
      this._visible = seen;
      if (seen) this._maybeStart();
      this._followVisibility();
    }, { rootMargin: '200px' });
    this._observer.observe(this);
  }

  // Out of view a playing element pauses, and plays on when it is back.
  _followVisibility() {
    if (!this._module || this._ended) return;
    if (!this._visible && !this._paused && !this._offscreen) {
      this._offscreen = true;
      this._taps.push(VK.P);
    } else if (this._visible && this._offscreen) {
      this._offscreen = false;
      if (!this._paused) this._taps.push(VK.P);
    }
  }

  _maybeStart(force) {
    if (this._started || !this.isConnected) return;
    if (!force && this.getAttribute('loading') === 'lazy' && !this._visible) return;
    if (!force && this.getAttribute('loading') === 'lazy' && !this._observer) return;
    if (!this.src) return;
    this._started = true;
    this._load();
  }

  _showError(message) {
    this._error = { message };
    this._errorBox.textContent = message;
    this._errorBox.hidden = false;
    this._status.hidden = true;
    this.dispatchEvent(new ErrorEvent('error', { message }));
  }

  _progress(got, total) {
    this._status.hidden = false;
    this._status.textContent = total ? `Loading\u2026 ${kb(got)} of ${kb(total)}` : `Loading\u2026 ${kb(got)}`;
  }

  // The response of url, or an Error for the user naming the file and what went wrong.
  async _request(url, name) {
    if (location.protocol === 'file:' && new URL(url, location.href).protocol === 'file:')
      throw new Error(`${name}: ${globalThis.VantorelPlayerSingleFile ? FILE_PAGE_SINGLE : FILE_PAGE}`);
    let r;
    try {
      r = await fetch(new URL(url, location.href));
    } catch (e) {
      throw new Error(`${name}: could not be fetched (${e.message || 'network error'})`);
    }
    if (!r.ok) throw new Error(`${name}: ${statusText(r)}`);
    return r;
  }

  async _fetchAll(url, name) {
    return new Uint8Array(await (await this._request(url, name)).arrayBuffer());
  }

  _stop() {
    if (this._module) this._module.vantorelStop = true;
    this._module = null;
    this._taps = [];
  }

  _reset() {
    this._stop();
    this._ended = false;
    this._error = null;
    this._errorBox.hidden = true;
    this._frameCount = null;
    this._rate = 1;
    this._ms = this._baseMs();
    this._showRate();
    this._buttons.play.textContent = '\u25B6';
  }

  // Fetches the file (or takes a local one) while the player starts; playback begins as soon as a
  // few frames are in, and the decoder waits for the rest when it catches up with the download.
  async _load(local = null, localCaption = null) {
    const token = ++this._token;
    this._reset();
    const poster = this.getAttribute('poster');
    if (poster) { this._poster.src = poster; this._poster.hidden = false; }
    const src = this.src, captions = this.getAttribute('captions');
    const live = () => token === this._token;
    const fail = (e) => { if (live()) this._showError(e.message); };
    const job = { token, name: 'file.anim', chunks: [], arrived: 0, written: 0, complete: false,
                  started: false, mod: null, caption: localCaption, captionDone: !!localCaption || !captions };
    this._job = job;
    // The player, its own instance, in parallel with the file.
    Promise.all([loadFactory(), loadWasm()]).then(([factory, wasm]) => {
      if (live()) return this._instantiate(factory, wasm, token);
      return null;
    }).then((mod) => {
      if (!mod || !live()) return;
      job.mod = mod;
      this._feed(job);
    }, (e) => { if (!this._error) fail(new Error(`The player could not be loaded: ${e.message || e}`)); });
    if (!job.captionDone) {
      this._fetchAll(captions, captions).then((data) => { job.caption = { name: captions, data }; }, (e) => {
        // The animation plays all the same; the page hears which file is missing.
        if (live()) this.dispatchEvent(new ErrorEvent('error', { message: `${e.message} (captions not shown)` }));
      }).then(() => { job.captionDone = true; if (live()) this._feed(job); });
    }
    try {
      if (local) {
        job.name = local.name;
        this._take(job, await unpack(local.name, local.data), true);
        return;
      }
      job.name = src.split(/[?#]/)[0].split('/').pop() || 'file.anim';
      const r = await this._request(src, src);
      const total = Number(r.headers.get('content-length')) || 0;
      const reader = r.body.getReader();
      let head = new Uint8Array(0), checked = false;
      for (;;) {
        const { done, value } = await reader.read();
        if (!live()) { reader.cancel().catch(() => {}); return; }
        if (value) {
          job.arrived += value.length;
          if (!job.started) this._progress(job.arrived, total);
        }
        if (!checked) {
          // The first bytes tell a compressed file or another format's; a compressed one is
          // unpacked whole, a plain one plays as it arrives.
          if (value) { const h = new Uint8Array(head.length + value.length); h.set(head); h.set(value, head.length); head = h; }
          if (head.length < 64 && !done) continue;
          checked = true;
          if (isGzip(head) || isZstd(head) || foreignFormat(head)) {
            const parts = [head];
            for (let more = !done; more;) {
              const next = await reader.read();
              if (!live()) return;
              more = !next.done;
              if (next.value) {
                parts.push(next.value);
                job.arrived += next.value.length;
                this._progress(job.arrived, total);
              }
            }
            this._take(job, await unpack(src, new Uint8Array(await new Blob(parts).arrayBuffer())), true);
            return;
          }
          this._take(job, head, done);
        } else {
          this._take(job, value || new Uint8Array(0), done);
        }
        if (done) return;
      }
    } catch (e) {
      fail(e);
    }
  }

  _take(job, bytes, complete) {
    if (bytes.length) job.chunks.push(bytes);
    job.complete = complete;
    this._feed(job);
  }

  // Puts what has arrived into the player's file system, and starts playback when enough is in.
  _feed(job) {
    const mod = job.mod;
    if (!mod || job.token !== this._token) return;
    const path = '/files/play.anim';
    if (job.written === 0 && !job.created) { mod.FS.writeFile(path, new Uint8Array(0)); job.created = true; }
    if (job.chunks.length) {
      const stream = mod.FS.open(path, 'a');
      for (const c of job.chunks) { mod.FS.write(stream, c, 0, c.length); job.written += c.length; }
      job.kept = (job.kept || []).concat(job.chunks);  // for playing again in a new instance
      mod.FS.close(stream);
      job.chunks = [];
    }
    if (job.complete) delete mod.vantorelArrived;
    else mod.vantorelArrived = job.written;
    if (!job.started && job.captionDone) {
      // Enough to begin: the whole file, or a few whole frames whose extent is the picture's.
      const frames = mod._web_anim_info();
      if (job.complete || frames >= 4) {
        job.started = true;
        this._extent = [Math.max(1, mod._web_anim_width()), Math.max(1, mod._web_anim_height())];
        if (job.complete) this._frameCount = frames;
        this._begin(job, job.play !== undefined ? job.play : this._autoplay());
        return;
      }
    }
    if (job.started && job.complete && this._frameCount === null) {
      const frames = mod._web_anim_info();
      this._frameCount = frames;
      const w = mod._web_anim_width(), h = mod._web_anim_height();
      // Later frames reached past the first ones: play again on the whole extent.
      if (w > this._extent[0] || h > this._extent[1]) {
        this._replay(!this._paused);
      }
    }
  }

  _autoplay() {
    const reduced = typeof matchMedia === 'function' && matchMedia('(prefers-reduced-motion: reduce)').matches;
    return this._wantPlay || (this.hasAttribute('autoplay') && !reduced);
  }

  // Plays the file once more from the bytes of the run that had it whole.
  // Plays the whole file again in a new instance (paused on frame `frame` unless play).
  _replay(play, frame = 1) {
    const old = this._job;
    if (!old || !old.complete || !old.kept) return;
    const keep = { data: new Uint8Array(old.written), caption: old.caption };
    let at = 0;
    for (const c of old.kept) { keep.data.set(c, at); at += c.length; }
    const token = ++this._token;
    this._reset();
    const job = { token, name: 'play.anim', chunks: [keep.data], arrived: keep.data.length, written: 0,
                  complete: true, started: false, mod: null, caption: keep.caption, captionDone: true, play };
    this._job = job;
    // The first pass draws frame 1 whatever the keys say: the steps wait for the one after.
    if (frame > 1) this._taps.push(0, 0);
    for (let i = 1; i < frame; i++) this._taps.push(VK.RIGHT);
    Promise.all([loadFactory(), loadWasm()]).then(([factory, wasm]) => {
      if (token !== this._token) return null;
      return this._instantiate(factory, wasm, token);
    }).then((mod) => {
      if (!mod || token !== this._token) return;
      job.mod = mod;
      this._feed(job);
    });
  }

  // A fresh instance of the player on a fresh canvas (a WebGL context belongs to one program).
  _instantiate(factory, wasm, token) {
    const canvas = document.createElement('canvas');
    canvas.setAttribute('part', 'canvas');
    this._resize.unobserve(this._canvas);
    this._canvas.replaceWith(canvas);
    this._canvas = canvas;
    this._resize.observe(canvas);
    const options = {
      canvas,
      vantorelElement: this,
      vantorelKeyTarget: this,
      print: () => {},
      printErr: (t) => console.warn(t),
      vantorelMessageBox: (c, t) => { if (token === this._token) this._showError(t); return Promise.resolve(1); },
      vantorelConsole: () => {},
      vantorelPoll: (n) => this._poll(token, n),
      onExit: () => this._exited(token),
      preRun: [(mod) => {
        mod.FS.mkdir('/files');
        mod.FS.mkdir('/vantorel');
      }],
    };
    if (wasm) {
      options.instantiateWasm = (imports, receive) => {
        WebAssembly.instantiate(wasm, imports).then((instance) => receive(instance, wasm));
        return {};
      };
    }
    return factory(options);
  }

  _begin(job, play) {
    const mod = job.mod, canvas = this._canvas;
    this._module = mod;
    this._wantPlay = false;
    canvas.width = this._extent[0];
    canvas.height = this._extent[1];
    this._applySize();
    this._updateScaling();
    this.dispatchEvent(new Event('loadedmetadata'));
    const args = [`-res:${this._extent[0]}x${this._extent[1]}`];
    const fps = this.getAttribute('fps'), fms = this.getAttribute('fms');
    if (fms) args.push(`-fms:${fms}`);
    else if (fps) args.push(`-fps:${fps}`);
    if (!play) args.push('-paused');
    if (!this.hasAttribute('loop')) args.push('-once');
    if (this.hasAttribute('frame-numbers')) args.push('-showframenums');
    const delay = parseFloat(this.getAttribute('delay'));
    if (delay > 0) args.push(`-delay:${delay}`);
    if (job.caption) {
      const name = String(job.caption.name).split(/[\\/]/).pop().replace(/[^A-Za-z0-9._-]/g, '_') || 'captions.txt';
      mod.FS.writeFile(`/files/${name}`, job.caption.data);
      args.push(`-captionfile:/files/${name}`);
    }
    args.push('/files/play.anim');
    this._setPaused(!play, true);
    this._status.hidden = true;
    this._poster.hidden = true;
    if (play) this.dispatchEvent(new Event('play'));
    try {
      mod.callMain(args);
    } catch (e) {
      if (!(e && e.name === 'ExitStatus')) throw e;
    }
    this._followVisibility();
  }

  _exited(token) {
    if (token !== this._token) return;
    if (this._error) return;
    // Without loop the player stops after the last frame: the picture stays, the element is ended.
    this._ended = true;
    this._setPaused(true, true);
    this._buttons.play.textContent = '\u21BB';
    this._buttons.play.setAttribute('aria-label', 'Replay');
    this._buttons.play.title = 'Replay';
    this._updateCounter(true);
    this.dispatchEvent(new Event('ended'));
  }

  _poll(token, polls) {
    if (token !== this._token) return;
    this.polls = polls;
    const vk = this._taps.shift();
    if (vk) this._module._web_tap_key(vk);
    this._updateCounter(false);
  }

  _updateCounter(force) {
    const frame = this.currentFrame;
    if (frame === this._lastFrame && !force) return;
    this._lastFrame = frame;
    this._buttons.counter.textContent = this._frameCount ? `${frame} / ${this._frameCount}` : `${frame}`;
    const now = performance.now();
    if (force || now - this._lastFrameEvent >= 250) {
      this._lastFrameEvent = now;
      this.dispatchEvent(new CustomEvent('frame', { detail: { frame } }));
    }
  }

  _setPaused(paused, quiet) {
    const was = this._paused;
    this._paused = paused;
    const b = this._buttons.play;
    b.textContent = paused ? '\u25B6' : '\u25AE\u25AE';  // glyphs of the common fonts' geometric shapes
    b.setAttribute('aria-label', paused ? 'Play' : 'Pause');
    b.title = paused ? 'Play' : 'Pause';
    this._wake();
    if (!quiet && was !== paused) this.dispatchEvent(new Event(paused ? 'pause' : 'play'));
  }

  _showRate() {
    const r = this._rate;
    this._buttons.rate.textContent = `${r >= 10 ? r.toFixed(0) : r.toFixed(2).replace(/\.?0+$/, '')}\u00D7`;
  }

  // One faster (+1) or slower (-1) step as the player takes it (faster while a frame lasts over
  // 10 ms, slower while under 500 ms); tap: hand the key to the player too.
  _speed(dir, tap = true) {
    if (dir > 0 && this._ms > 10) {
      this._ms /= SPEED;
      if (tap) this._taps.push(VK.X);
    } else if (dir < 0 && this._ms < 500) {
      this._ms *= SPEED;
      if (tap) this._taps.push(VK.Z);
    }
    this._rate = this._baseMs() / this._ms;
    this._showRate();
  }

  _baseMs() {
    const fms = parseFloat(this.getAttribute('fms')), fps = parseFloat(this.getAttribute('fps'));
    return fms > 0 ? fms : fps > 0 ? 1000 / fps : 40;
  }

  _control(name) {
    this.focus({ preventScroll: true });
    if (name === 'play') this._paused || this._ended ? this.play() : this.pause();
    else if (name === 'restart') this._restart();
    else if (name === 'step') this._step(1);
    else if (name === 'back') this._step(-1);
    else if (name === 'faster') this._speed(1);
    else if (name === 'slower') this._speed(-1);
    else if (name === 'full') this._toggleFullScreen();
  }

  _restart() {
    if (this._ended || !this.hasAttribute('loop')) this._replay(!this._paused);
    else if (this._module) this._taps.push(VK.R);
  }

  _step(dir) {
    if (!this._module || this._ended) return;
    if (!this._paused) this.pause();
    this.currentFrame = this.currentFrame + dir;
  }

  _toggleFullScreen() {
    if (document.fullscreenElement) document.exitFullscreen().catch(() => {});
    // The element itself goes full screen (not the picture inside it), so that it keeps the
    // focus and with it the keys.
    else if (this.requestFullscreen) this.requestFullscreen().catch(() => {});
  }

  _wake() {
    this._bar.classList.remove('idle');
    clearTimeout(this._idleTimer);
    if (!this._paused) this._idleTimer = setTimeout(() => { if (!this._paused) this._bar.classList.add('idle'); }, 2500);
  }

  // The keys the element answers itself; the player's own (F, S, X, Z, +, -) it hands on, and
  // follows those that change what the element reports.
  _key(e) {
    if (e.ctrlKey || e.altKey || e.metaKey) return;
    const k = e.key, on = e.composedPath()[0];
    // Space and Enter on a control button press that button.
    if (on && on.tagName === 'BUTTON' && (k === ' ' || k === 'Enter')) {
      e.stopImmediatePropagation();
      return;
    }
    if (k === 'Enter' || k === 'F11') {
      e.preventDefault();
      this._toggleFullScreen();
    } else if (k === 'Escape') {
      if (document.fullscreenElement) document.exitFullscreen().catch(() => {});
    } else if (k === ' ' || k === 'p' || k === 'P') {
      if (this._ended) { e.preventDefault(); this.play(); return; }
      if (this._module) this._setPaused(!this._paused);  // the player sees the key itself
    } else if (k === 'ArrowLeft' || k === ',') {
      e.preventDefault();
      if (this._paused) this._step(-1);
    } else if (k === 'r' || k === 'R') {
      this._restart();  // the player does not see R itself: without loop it would end
    } else if (k === '+' || k === 'x' || k === 'X') {
      this._speed(1, false);
    } else if (k === '-' || k === 'z' || k === 'Z') {
      this._speed(-1, false);
    }
  }
}

if (typeof customElements !== 'undefined' && !customElements.get('vantorel-player'))
  customElements.define('vantorel-player', VantorelPlayerElement);
