#!/bin/sh
# same-arithmetic.sh BUILD_DIR...: runs the toolchain identity program of each build (natively,
# under qemu for 64-bit ARM, under Wine for Windows, under Node for WebAssembly) and checks that
# every one prints the same fingerprints of the picture (by the kernel the program takes there)
# and of the orbits: the same pixels from every compiler and CPU.
set -u
root=$(cd "$(dirname "$0")/.." && pwd)
first="" status=0
for build in "$@"; do
  build=$(cd "$build" && pwd) || { status=1; continue; }
  exe=$build/tests/toolchain_identity
  if [ -f "$exe.exe" ]; then
    out=$("$root/cmake/wine-run.sh" "$build/wineprefix" "$exe.exe" 2>&1 | tr -d '\r')
    WINEPREFIX=$build/wineprefix wineserver -k 2>/dev/null
  elif [ -f "$exe.wasm" ]; then
    out=$(node "$root/cmake/wasi-run.mjs" "$exe.wasm" 2>&1)
  elif [ "$(od -An -j18 -N2 -tu2 "$exe" | tr -d ' ')" = 183 ]; then  # ELF machine: AArch64
    out=$(qemu-aarch64 -L /usr/aarch64-linux-gnu "$exe" 2>&1)
  else
    out=$("$exe" 2>&1)
  fi
  prints=$(echo "$out" | grep '^fingerprint' | tr '\n' ' ')
  echo "$(basename "$build"), $(echo "$out" | sed -n "s/^the program's kernel: //p"): $prints"
  case $prints in *picture*orbits*) ;; *) echo "  no fingerprints from $exe"; status=1; continue ;; esac
  if [ -z "$first" ]; then
    first=$prints
  elif [ "$prints" != "$first" ]; then
    echo "  DIFFERS from $1"
    status=1
  fi
done
[ $status -eq 0 ] && echo "same-arithmetic: $# builds, the same fingerprints" || echo "same-arithmetic: FAILED"
exit $status
