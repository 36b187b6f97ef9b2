// node wasi-run.mjs PROGRAM.wasm [ARGS...]: runs a WASI program the way a native one runs, as
// CMake's emulator for the wasm32-wasi build: its arguments, environment, standard streams and
// exit status, and the file system preopened at /, so that absolute paths mean what they mean
// natively.
import { spawnSync } from 'node:child_process';
import { readFile } from 'node:fs/promises';

const wasiFlag = '--experimental-wasi-unstable-preview1';

// Node 20, and Debian 12's Node 18.20, load WASI without a flag; older Node refuses the module
// without it: then the same command again, with the flag.
const loadWasi = async () => {
  try {
    return (await import('node:wasi')).WASI;
  } catch (error) {
    if (process.execArgv.includes(wasiFlag)) throw error;
    const command = [...process.execArgv, wasiFlag, ...process.argv.slice(1)];
    const again = spawnSync(process.execPath, command, { stdio: 'inherit' });
    process.exit(again.status ?? 1);
  }
};

const WASI = await loadWasi();
const [program, ...args] = process.argv.slice(2);
const wasi = new WASI({
  version: 'preview1',
  args: [program, ...args],
  env: process.env,
  preopens: { '/': '/' },
  returnOnExit: true,
});
const module = await WebAssembly.compile(await readFile(program));
const instance = await WebAssembly.instantiate(module, { wasi_snapshot_preview1: wasi.wasiImport });
process.exitCode = wasi.start(instance);
