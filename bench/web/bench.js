// Runs benchmark programs of the web build in this page, one after another as `?run=` names them,
// with the host imports the page gives the viewer, on a 1920 x 1080 canvas of device pixels
// (portable_win32/hosts/web.cpp's half; no input, so the programs never wait). Their output goes
// into the page, whose title becomes "done" at the end.
const WIDTH = 1920, HEIGHT = 1080;
const canvas = document.getElementById('client');
const out = document.getElementById('out');
const context = canvas.getContext('2d', { alpha: false });
canvas.width = WIDTH;
canvas.height = HEIGHT;
canvas.style.width = `${WIDTH / devicePixelRatio}px`;
canvas.style.height = `${HEIGHT / devicePixelRatio}px`;

class Exit {
  constructor(code) { this.code = code; }
}

let memory = null;
let presentMs = [];
const text = (address, length) =>
  new TextDecoder().decode(new Uint8Array(memory.buffer, address, length));

const host = {
  wait() {},
  next_event() { return 0; },
  present(address, x, y, width, height) {
    const started = performance.now();
    const pixels = new Uint8ClampedArray(memory.buffer, address, width * height * 4);
    context.putImageData(new ImageData(pixels, width, height), x, y);
    presentMs.push(performance.now() - started);
  },
  set_title() {},
  set_full_screen() {},
  sizes(address) { new Int32Array(memory.buffer, address, 4).set([WIDTH, HEIGHT, WIDTH, HEIGHT]); },
  now: () => performance.now(),
};

function wasi(module) {
  const imports = {
    fd_write(fd, iovs, count, written) {
      const view = new DataView(memory.buffer);
      let total = 0;
      for (let i = 0; i < count; i++) {
        const length = view.getUint32(iovs + 8 * i + 4, true);
        out.textContent += text(view.getUint32(iovs + 8 * i, true), length);
        total += length;
      }
      view.setUint32(written, total, true);
      return 0;
    },
    clock_time_get(id, precision, at) {
      new DataView(memory.buffer).setBigUint64(at, BigInt(Math.round(performance.now() * 1e6)), true);
      return 0;
    },
    proc_exit(code) { throw new Exit(code); },
  };
  for (const { module: from, name } of WebAssembly.Module.imports(module))
    if (from === 'wasi_snapshot_preview1' && !(name in imports)) imports[name] = () => 52;
  return imports;
}

function median(values) {
  const sorted = [...values].sort((a, b) => a - b);
  return sorted[Math.floor(sorted.length / 2)];
}

async function runProgram(name) {
  const module = await WebAssembly.compileStreaming(fetch(name));
  const instance = await WebAssembly.instantiate(module,
    { wasi_snapshot_preview1: wasi(module), ostrevane: host });
  memory = instance.exports.memory;
  presentMs = [];
  out.textContent += `== ${name}\n`;
  try {
    instance.exports._start();
  } catch (error) {
    if (!(error instanceof Exit)) throw error;
  }
  if (presentMs.length > 0) {
    const whole = presentMs.filter((ms, i) => i > 10);
    out.textContent += `putImageData of what a paint drew: median ${median(whole).toFixed(3)} ms ` +
      `over ${whole.length} presents\n`;
  }
}

const programs = new URLSearchParams(location.search).getAll('run');
for (const name of programs) await runProgram(name);
document.title = 'done';
