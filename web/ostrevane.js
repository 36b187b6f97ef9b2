// The page of Ostrevane. The program's one window is the canvas; this module is the browser's half
// of the layer's host (portable_win32/hosts/web.cpp): it sizes the canvas in device pixels, turns
// the page's input into the events the host reads, shows the pixels the host presents, and runs
// the program, putting it aside (asyncify) whenever it waits for input.

const area = document.getElementById('area');
const canvas = document.getElementById('client');
const context = canvas.getContext('2d', { alpha: false });
const message = document.getElementById('message');
const keyStrip = document.getElementById('keys');

// The host's event record: six 32-bit numbers, the wheel's notches, then KeyboardEvent.code.
const EVENT_SIZE = 64;
const CODE_OFFSET = 32, CODE_LENGTH = 32;
const KEY = 1, MOVE = 2, BUTTON = 3, WHEEL = 4, RESIZED = 5, SCREEN = 6, FULL_SCREEN = 7,
  VISIBILITY = 8;
const SHIFT = 8, CONTROL = 16;
const LEFT = 0, ENTERED = 1, REFUSED = 2;  // a FULL_SCREEN event's detail
// Events waiting for the program; a flood beyond this is dropped, moves are merged.
const MOST_QUEUED = 4096;
const WASI_NOSYS = 52;

let program = null;  // the running instance's state, null once it has ended
let queue = [];
let layout = null;   // the keyboard layout's unshifted symbols, where the browser tells them
let page = { width: 1, height: 1, screenWidth: 1, screenHeight: 1 };

class Exit {
  constructor(code) { this.code = code; }
}

// --- Sizes: one program pixel is one screen pixel.

// The client is the whole device pixels of its area, and its box exactly that: a box of a
// fraction of a device pixel more (the key strip's height comes from its font) would have the
// browser scale the picture into it, dropping a row. Within a sixteenth of a device pixel a size
// is taken as whole, layout units being that coarse.
function devicePixels(width, height) {
  const ratio = window.devicePixelRatio || 1;
  const whole = (css) => Math.floor(css * ratio + 1 / 16);
  return { width: whole(width), height: whole(height), ratio };
}

function setCanvasSize(size) {
  canvas.width = page.width = size.width;
  canvas.height = page.height = size.height;
  canvas.style.width = `${size.width / size.ratio}px`;
  canvas.style.height = `${size.height / size.ratio}px`;
}

function screenPixels() {
  const ratio = window.devicePixelRatio || 1;
  return { width: Math.round(screen.width * ratio), height: Math.round(screen.height * ratio) };
}

function onAreaResized(entries) {
  const box = entries[entries.length - 1].contentRect;
  const size = devicePixels(box.width, box.height);
  const screenSize = screenPixels();
  if (screenSize.width !== page.screenWidth || screenSize.height !== page.screenHeight) {
    page.screenWidth = screenSize.width;
    page.screenHeight = screenSize.height;
    post({ kind: SCREEN });
  }
  const unchanged = size.width === page.width && size.height === page.height;
  setCanvasSize(size);  // a new ratio may keep the pixels and change the box
  if (unchanged) return;
  post({ kind: RESIZED });
  // A window that changes under a still pointer gets a move, as on Windows and X.
  if (mouse) post({ kind: MOVE, ...clientPoint(mouse), held: mouse.held });
}

function observeSize() {
  const observer = new ResizeObserver(onAreaResized);
  try {
    observer.observe(area, { box: 'device-pixel-content-box' });
  } catch {
    observer.observe(area);
  }
}

// --- Input, queued for the program, which is woken for it.

function post(event) {
  if (program === null) return;
  const last = queue[queue.length - 1];
  if (event.kind === MOVE && last && last.kind === MOVE && last.held === event.held) {
    queue[queue.length - 1] = event;
  } else if (queue.length < MOST_QUEUED) {
    queue.push(event);
  }
  wake();
}

let mouse = null;  // where the mouse was last seen over the canvas, and what it held

function held(event) {
  return (event.buttons & 7) | (event.shiftKey ? SHIFT : 0) | (event.ctrlKey ? CONTROL : 0);
}

// Client pixels of a pointer event; outside the canvas they lie outside the client, and the host
// drops them, as Windows sends no mouse message to a window the pointer is not over.
function clientPoint(event) {
  const box = canvas.getBoundingClientRect();
  return {
    x: Math.floor((event.clientX - box.left) * canvas.width / Math.max(box.width, 1)),
    y: Math.floor((event.clientY - box.top) * canvas.height / Math.max(box.height, 1)),
  };
}

// The layout's unshifted symbol, which tells where the main keyboard's + and - are; without the
// layout, the typed symbol only when it is one of them (a shifted one tells nothing).
function symbolOf(event) {
  const symbol = layout && layout.get(event.code);
  const typed = symbol || (['+', '=', '-'].includes(event.key) ? event.key : '');
  return typed.length === 1 ? typed.codePointAt(0) : 0;
}

function onKey(event, down) {
  // F5 would reload the page and F11 give the browser's own full screen: both are the program's.
  if (event.code === 'F5' || event.code === 'F11') event.preventDefault();
  post({ kind: KEY, detail: down ? 1 : 0, held: event.repeat ? 1 : 0, symbol: symbolOf(event),
    code: event.code });
}

// Touch: one finger moves the orbit, two pinch the zoom by whole notches, a long press is the
// right button.
const touches = new Map();
let pinch = null, longPress = null;
const LONG_PRESS_MS = 500, LONG_PRESS_SLOP = 10;
const NOTCH = Math.log(1.06);

function onTouchMove(event, point) {
  const touch = touches.get(event.pointerId);
  if (!touch) return;
  touch.x = event.clientX;
  touch.y = event.clientY;
  if (longPress && Math.hypot(touch.x - longPress.x, touch.y - longPress.y) > LONG_PRESS_SLOP)
    cancelLongPress();
  if (touches.size === 1) {
    post({ kind: MOVE, x: point.x, y: point.y, held: 0 });
  } else if (pinch) {
    // Fingers apart zoom in, as a wheel turned towards the user does.
    const notches = Math.trunc(-Math.log(pinchDistance() / pinch.distance) / NOTCH);
    if (notches !== 0) {
      pinch.distance *= Math.exp(-notches * NOTCH);
      post({ kind: WHEEL, x: point.x, y: point.y, held: 0, notches });
    }
  }
}

function pinchDistance() {
  const [a, b] = [...touches.values()];
  return Math.max(Math.hypot(a.x - b.x, a.y - b.y), 1);
}

function cancelLongPress() {
  if (longPress) clearTimeout(longPress.timer);
  longPress = null;
}

function onTouchDown(event, point) {
  touches.set(event.pointerId, { x: event.clientX, y: event.clientY });
  cancelLongPress();
  if (touches.size === 1) {
    post({ kind: MOVE, x: point.x, y: point.y, held: 0 });
    const press = { x: event.clientX, y: event.clientY };
    press.timer = setTimeout(() => {
      longPress = null;
      post({ kind: BUTTON, x: point.x, y: point.y, held: 2, detail: 2 | 256 });
      post({ kind: BUTTON, x: point.x, y: point.y, held: 0, detail: 2 });
    }, LONG_PRESS_MS);
    longPress = press;
  }
  pinch = touches.size === 2 ? { distance: pinchDistance() } : null;
}

function onTouchUp(event) {
  touches.delete(event.pointerId);
  cancelLongPress();
  pinch = null;
}

const BUTTONS = [1, 4, 2];  // DOM's left, middle, right as the host's bits

function onPointer(event) {
  const point = clientPoint(event);
  const touch = event.pointerType === 'touch';
  if (!touch) {
    mouse = event.type === 'pointerleave' ? null
      : { clientX: event.clientX, clientY: event.clientY, held: held(event) };
  }
  if (event.type === 'pointerleave') return;
  switch (event.type) {
    case 'pointermove':
      if (touch) return onTouchMove(event, point);
      return post({ kind: MOVE, x: point.x, y: point.y, held: held(event) });
    case 'pointerdown':
      canvas.focus();
      if (touch) return onTouchDown(event, point);
      break;
    default:
      if (touch) return onTouchUp(event);
      break;
  }
  const button = BUTTONS[event.button];
  if (button === undefined) return;
  const down = event.type === 'pointerdown';
  post({ kind: BUTTON, x: point.x, y: point.y, held: held(event), detail: button | (down ? 256 : 0) });
}

// A notch of a real wheel is 120 of wheelDeltaY in Chromium, Firefox and WebKit alike, as Windows
// counts it, while deltaY was seen to be 120, 114 and 83 pixels (Firefox: 6 lines when deltaMode
// is read first); a smooth wheel or a touchpad gives fractions of 120. Events without it (made by
// a script) are counted by deltaY: 120 pixels, three lines or a page a notch.
const NOTCHES_PER_UNIT = [1 / 120, 1 / 3, 1];

function notchesOf(event) {
  if (event.wheelDeltaY) return event.wheelDeltaY / 120;
  const unit = NOTCHES_PER_UNIT[event.deltaMode] ?? 0;
  return -event.deltaY * unit;
}

function onWheel(event) {
  event.preventDefault();
  const point = clientPoint(event);
  post({ kind: WHEEL, x: point.x, y: point.y, held: held(event), notches: notchesOf(event) });
}

function listen() {
  // Keys go to the program wherever the page's focus is: it has no other use for them.
  window.addEventListener('keydown', (event) => onKey(event, true));
  window.addEventListener('keyup', (event) => onKey(event, false));
  for (const type of ['pointermove', 'pointerdown', 'pointerup', 'pointercancel', 'pointerleave'])
    canvas.addEventListener(type, onPointer);
  canvas.addEventListener('wheel', onWheel, { passive: false });
  canvas.addEventListener('contextmenu', (event) => event.preventDefault());
  document.addEventListener('fullscreenchange',
    () => post({ kind: FULL_SCREEN, detail: document.fullscreenElement ? ENTERED : LEFT }));
  document.addEventListener('visibilitychange',
    () => post({ kind: VISIBILITY, detail: document.hidden ? 0 : 1 }));
  for (const button of keyStrip.querySelectorAll('button')) {
    button.addEventListener('click', () => {
      for (const down of [true, false])
        post({ kind: KEY, detail: down ? 1 : 0, held: 0, symbol: 0, code: button.dataset.code });
      canvas.focus();
    });
  }
  if (navigator.keyboard && navigator.keyboard.getLayoutMap)
    navigator.keyboard.getLayoutMap().then((map) => { layout = map; }, () => {});
}

// --- The program.

function memoryView() { return new DataView(program.memory.buffer); }

function writeEvent(address, event) {
  const view = memoryView();
  const numbers = [event.kind, event.x ?? 0, event.y ?? 0, event.held ?? 0, event.detail ?? 0,
    event.symbol ?? 0];
  numbers.forEach((n, i) => view.setInt32(address + 4 * i, n | 0, true));
  view.setFloat64(address + 24, event.notches ?? 0, true);
  const code = new TextEncoder().encode(event.code ?? '').subarray(0, CODE_LENGTH - 1);
  const bytes = new Uint8Array(program.memory.buffer, address + CODE_OFFSET, CODE_LENGTH);
  bytes.fill(0);
  bytes.set(code);
}

function text(address, length) {
  return new TextDecoder().decode(new Uint8Array(program.memory.buffer, address, length));
}

function hostImports() {
  return {
    wait(milliseconds, data, size) {
      const p = program;
      if (p.rewinding) {
        p.exports.asyncify_stop_rewind();
        p.rewinding = false;
        return;
      }
      if (queue.length > 0) return;
      // asyncify's record: where the saved stack goes next, and where its room ends.
      const view = memoryView();
      view.setInt32(data, data + 8, true);
      view.setInt32(data + 4, data + size, true);
      p.data = data;
      p.exports.asyncify_start_unwind(data);
      p.sleeping = true;
      if (milliseconds >= 0) p.timer = setTimeout(wake, milliseconds);
    },
    next_event(address) {
      const event = queue.shift();
      if (!event) return 0;
      writeEvent(address, event);
      return 1;
    },
    present(address, x, y, width, height) {
      const pixels = new Uint8ClampedArray(program.memory.buffer, address, width * height * 4);
      context.putImageData(new ImageData(pixels, width, height), x, y);
    },
    set_title(address, length) { document.title = text(address, length); },
    set_full_screen(on) {
      if (on) {
        enterFullScreen();
      } else {
        leaveFullScreen();
      }
    },
    sizes(address) {
      const view = memoryView();
      [page.width, page.height, page.screenWidth, page.screenHeight]
        .forEach((n, i) => view.setInt32(address + 4 * i, n, true));
    },
    now() { return performance.now(); },
  };
}

// The little of WASI the C library calls: its output goes to the console, exit ends the run.
function wasiImports(module) {
  const output = { 1: '', 2: '' };
  const imports = {
    fd_write(fd, iovs, count, written) {
      const view = memoryView();
      let total = 0;
      for (let i = 0; i < count; i++) {
        const length = view.getUint32(iovs + 8 * i + 4, true);
        output[fd] = (output[fd] ?? '') + text(view.getUint32(iovs + 8 * i, true), length);
        total += length;
      }
      const lines = output[fd].split('\n');
      output[fd] = lines.pop();
      for (const line of lines) (fd === 2 ? console.warn : console.log)(line);
      view.setUint32(written, total, true);
      return 0;
    },
    proc_exit(code) { throw new Exit(code); },
  };
  for (const { module: from, name } of WebAssembly.Module.imports(module))
    if (from === 'wasi_snapshot_preview1' && !(name in imports)) imports[name] = () => WASI_NOSYS;
  return imports;
}

function wake() {
  const p = program;
  if (p === null || !p.sleeping) return;
  clearTimeout(p.timer);
  p.sleeping = false;
  p.exports.asyncify_start_rewind(p.data);
  p.rewinding = true;
  run();
}

// Runs the program until it waits (its stack put aside) or ends.
// How long the program's last runs took, from waking to waiting again, in ms.
const runTimes = [];

function run() {
  const p = program;
  const started = performance.now();
  try {
    p.exports._start();
  } catch (error) {
    if (error instanceof Exit) return ended(error.code);
    return stopped(error);
  }
  runTimes.push(performance.now() - started);
  if (runTimes.length > 100) runTimes.shift();
  if (p.sleeping) {
    p.exports.asyncify_stop_unwind();
  } else {
    ended(0);
  }
}

function show(lines, restart) {
  message.replaceChildren(...lines.map((line) => Object.assign(document.createElement('p'),
    { textContent: line })));
  if (restart) {
    const again = document.createElement('button');
    again.textContent = 'Start again';
    again.addEventListener('click', start);
    message.append(again);
  }
  message.hidden = false;
}

// The browser's full screen for the client's area (the key strip has no place there), where the
// browser offers one and grants it; otherwise the program is told, and keeps to the page.
function fullScreenOffered() {
  return typeof area.requestFullscreen === 'function' && document.fullscreenEnabled !== false;
}

function enterFullScreen() {
  const refused = () => post({ kind: FULL_SCREEN, detail: REFUSED });
  try {
    if (!fullScreenOffered()) return refused();
    Promise.resolve(area.requestFullscreen({ navigationUI: 'hide' })).catch(refused);
  } catch {
    refused();
  }
}

function leaveFullScreen() {
  if (document.fullscreenElement && document.exitFullscreen)
    Promise.resolve(document.exitFullscreen()).catch(() => {});
}

function ended(code) {
  program = null;
  queue = [];
  leaveFullScreen();
  show([`Ostrevane has ended (exit code ${code}).`], true);
}

function stopped(error) {
  program = null;
  queue = [];
  console.error(error);
  show([`Ostrevane stopped: ${error.message}`], true);
}

let compiled = null;

async function start() {
  message.hidden = true;
  context.clearRect(0, 0, canvas.width, canvas.height);
  compiled ??= await WebAssembly.compileStreaming(fetch('ostrevane.wasm'));
  program = { sleeping: false, rewinding: false, timer: 0 };
  const instance = await WebAssembly.instantiate(compiled,
    { wasi_snapshot_preview1: wasiImports(compiled), ostrevane: hostImports() });
  program.exports = instance.exports;
  program.memory = instance.exports.memory;
  queue = [];
  canvas.focus();
  run();
}

// A tiny module with one SIMD instruction: browsers without WebAssembly's SIMD reject it.
const SIMD_PROBE = new Uint8Array([0, 97, 115, 109, 1, 0, 0, 0, 1, 5, 1, 96, 0, 1, 123, 3, 2, 1,
  0, 10, 8, 1, 6, 0, 65, 0, 253, 15, 11]);

function missing() {
  if (typeof WebAssembly !== 'object') return 'WebAssembly';
  if (!WebAssembly.validate(SIMD_PROBE)) return 'WebAssembly SIMD';
  return null;
}

// For the page's own tests and benchmarks, and anyone curious: the running program's memory, and
// how long its last runs took.
window.ostrevane = {
  memoryBytes: () => (program ? program.memory.buffer.byteLength : 0),
  runTimes: () => runTimes.splice(0),
};

function main() {
  const lack = missing();
  if (lack !== null) {
    show([`Ostrevane needs ${lack}, which this browser does not offer.`,
      'A recent Chrome, Edge, Firefox or Safari has it.'], false);
    return;
  }
  const first = area.getBoundingClientRect();
  setCanvasSize(devicePixels(first.width, first.height));
  // An iPhone has no full screen for a page: its strip has no F11 that would do nothing.
  keyStrip.querySelector('[data-code="F11"]').hidden = !fullScreenOffered();
  const screenSize = screenPixels();
  page.screenWidth = screenSize.width;
  page.screenHeight = screenSize.height;
  observeSize();
  listen();
  if ('serviceWorker' in navigator) navigator.serviceWorker.register('sw.js').catch(() => {});
  start().catch(stopped);
}

main();
