#!/bin/sh
# run-benchmarks: the core kernels on the host (Google Benchmark); whole frames of the program
# under Wine and natively over our layer, and the layer's drawing against Wine's GDI32, in one
# Xvfb of 1920 x 1080. Runs what `make bench` built (build/native, build/win64) and builds nothing;
# other trees can be named with OSTREVANE_NATIVE_BUILD and OSTREVANE_WIN64_BUILD.
set -e
root=$(cd "$(dirname "$0")/.." && pwd)
# Run again inside the 1920 x 1080 Xvfb: the frames, one program after the other.
if [ "${1:-}" = --frames ]; then
  echo "Frames of the program under Wine (Xvfb screen 1920x1080):"
  "$root/cmake/wine-run.sh" "$WINEPREFIX" "$OSTREVANE_FRAME_BENCH" | tr -d '\r'
  echo
  echo "Frames of the native program over our layer, same screen:"
  "$OSTREVANE_NATIVE_FRAME_BENCH"
  echo
  echo "Our layer's drawing against Wine's GDI32:"
  "$root/cmake/wine-run.sh" "$WINEPREFIX" "$OSTREVANE_GDI_BENCH" | tr -d '\r'
  echo
  # Showing a frame on X11, then as a client of weston (in software: pixman) at scales 1 and 2,
  # and of sway at 1, 1.5 and 2.
  echo "Showing a 1280 x 800 frame natively (a frame each 20 ms; X11 is SDL's shared memory):"
  tests_dir=$root/tests
  . "$tests_dir/viewer-window.sh"
  x11=$("$OSTREVANE_PRESENT_BENCH")
  echo "  X11              $x11"
  # PresentUnder LABEL SCALE: the frame shown as a client of the compositor that
  # OSTREVANE_E2E_WM and the other settings name, beside X11's.
  PresentUnder() {
    work=$(mktemp -d)
    OSTREVANE_E2E_SCALE=$2 compositor_start "$work" >/dev/null
    wayland=$("$OSTREVANE_PRESENT_BENCH")
    compositor_stop
    rm -rf "$work"
    # "client WxH: present median MS ms, ...": the median is the fifth word.
    echo "$wayland" | awk -v label="$1" -v scale="$2" -v x11="$x11" '{ split(x11, f, " ")
      printf "  %s, scale %s %s\n    median %.2fx that on X11\n", label, scale, $0, $5 / f[5] }'
  }
  for scale in 1 2; do PresentUnder Wayland "$scale"; done
  # Sway's fractional scales, a floating window's buffer shown through a viewport, beside its
  # whole ones: where its Debian 13 root can be made.
  if why=$(sh "$root/cmake/sway-root.sh"); then
    for scale in 1 1.5 2; do
      OSTREVANE_E2E_WM=sway OSTREVANE_SWAY_MODE=1600x1000 \
        OSTREVANE_SWAY_CONFIG='for_window [app_id="present_bench"] floating enable' \
        PresentUnder sway "$scale"
    done
  else
    echo "  sway: $why"
  fi
  exit 0
fi
native=$(cd "${OSTREVANE_NATIVE_BUILD:-$root/build/native}" && pwd)
# Elsewhere than on x86-64 (64-bit ARM) the core's kernels alone: Wine runs x86-64 programs only.
[ "$(uname -m)" = x86_64 ] || core_only=1
win64=$(cd "${OSTREVANE_WIN64_BUILD:-$root/build/win64}" 2>/dev/null && pwd) || win64=/nonexistent
core="$native/bench/core_bench"
frame="$win64/bench/frame_bench.exe"
gdi="$win64/bench/gdi_bench.exe"
native_frame="$native/bench/frame_bench"
present="$native/bench/present_bench"
export OSTREVANE_FRAME_BENCH="$frame" OSTREVANE_NATIVE_FRAME_BENCH="$native_frame"
export OSTREVANE_GDI_BENCH="$gdi" OSTREVANE_PRESENT_BENCH="$present"
[ -z "${core_only:-}" ] || frame="" gdi="" native_frame="" present=""
for f in "$core" $frame $gdi $native_frame $present; do
  [ -f "$f" ] || { echo "run-benchmarks: $f is missing (make bench builds it)" >&2; exit 1; }
done

cpu=$(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -n 1)
[ -n "$cpu" ] || cpu=$(lscpu 2>/dev/null | sed -n 's/^Model name: *//p' | head -n 1)  # ARM's
echo "CPU: $cpu, $(nproc) logical cores"
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
"$core" --benchmark_counters_tabular=true --benchmark_out="$out/core.csv" \
  --benchmark_out_format=csv
echo
echo "Speed-up over the scalar reference, same run (real time / CPU time):"
# Rows look like "Raster1920x1080/s=1/avx2-skip-known/min_time:0.500",iterations,real,cpu,ms,...
# The three views s=... for every kernel; then the zoom scales 1.06^k, k=..., for the program's.
grep '^"Raster' "$out/core.csv" | tr -d '"' | awk -F, '
  { split($1, part, "/"); view = part[2]; kernel = part[3]
    if (kernel == "scalar") { real[view] = $3; cpu[view] = $4; next }
    if (!(view in real)) next
    r = real[view] / $3; c = cpu[view] / $4
    if (view ~ /^s=/) { printf "  %-8s %-17s %6.1fx %6.1fx\n", view, kernel, r, c; next }
    k = substr(view, 3)
    zoom[++zooms] = sprintf("%4d %5.1fx %5.1fx", k, r, c)
    if (slowest == "" || c < slowestCpu) { slowest = k; slowestCpu = c; slowestReal = r; slowestKernel = kernel } }
  END {
    if (zooms == 0) exit
    printf "\nAt the scales 1.06^k, k = -60 ... 60 (%s; k, real, CPU):\n", slowestKernel
    for (i = 1; i <= zooms; i++) printf "%s%s", zoom[i], (i % 5 == 0 || i == zooms) ? "\n" : "   "
    printf "Slowest by CPU time: k = %d (s = %.4g): %.1fx real, %.1fx CPU\n", slowest, 1.06 ^ slowest, slowestReal, slowestCpu }'
[ -z "${core_only:-}" ] || exit 0
echo
export WINEPREFIX="$win64/wineprefix"
# A session left from a run on another display would be reused: start afresh, end afterwards.
wineserver -k 2>/dev/null || true
OSTREVANE_XVFB_SCREEN=1920x1080x24 "$root/cmake/with-xvfb.sh" "$0" --frames
wineserver -k 2>/dev/null || true

# The web build in headless Chromium, at 1920 x 1080 device pixels: the kernels and the program's
# frames in a page of their own (bench.js); then the real page's F5, from the key's wake to the
# program's next wait (asyncify's unwinding and rewinding included), beside the same paint without
# asyncify. The kernels are set beside the native ones of core_bench's run above.
web=$(cd "${OSTREVANE_WEB_BUILD:-$root/build/web}" && pwd)
tests_dir=$root/tests
. "$tests_dir/viewer-window.sh"
work=$out
echo "The web build in headless Chromium $(dpkg-query -W -f '${Version}' chromium):"
agent_start "$web/bench/site" "$out" --screen 1920x1200 --window 1920x1200
agent page "bench.html?run=wasm_kernel_bench.wasm&run=frame_bench.wasm" "$out/web.txt"
agent_stop
cat "$out/web.txt"
agent_start "$web/site" "$out" --screen 1920x1200 --window 1920x1200
agent open
agent resize 1920 1080
f5=""
for i in $(seq 40); do
  agent runs
  agent key F5
  sleep 0.5
  agent runs
  f5="$f5 $(echo "$answer" | tr ' ' '\n' | sort -g | tail -n 1)"
done
agent_stop
f5=$(echo $f5 | tr ' ' '\n' | sort -g | tr '\n' ' ')
awk -v f5="$f5" '
  FNR == NR && /^"Raster1920x1080\/s=1\/(sse2|avx2)-skip-known/ {
    split($0, f, ","); split(f[1], name, "/"); native[name[3]] = f[4] + 0 }
  FNR != NR && /^(scalar|simd128-skip-known) / { wasm[$1] = $2 }
  FNR != NR && /^F5 paint/ { paint = $(NF - 3); paintFastest = $(NF - 2) }
  FNR != NR && /^raster alone, program/ { raster = $(NF - 3); rasterFastest = $(NF - 2) }
  END {
    n = split(f5, runs, " "); page = runs[int((n + 1) / 2)]; pageFastest = runs[1]
    printf "\nF5 at 1920 x 1080 (ms, medians; this machine is shared: the fastest say more):\n"
    printf "  the page, key to wait          %8.2f   asyncified program; the same paint without: %.2f (%+.1f %%)\n", page, paint, 100 * (page - paint) / paint
    printf "  fastest of each                %8.2f   %.2f (%+.1f %%)\n", pageFastest, paintFastest, 100 * (pageFastest - paintFastest) / paintFastest
    printf "  raster, page kernel (simd128)  %8.2f   fastest %.2f\n", raster, rasterFastest
    printf "  raster, wasm scalar reference  %8.2f   %5.1fx the page kernel\n", wasm["scalar"], wasm["scalar"] / raster
    for (k in native) printf "  raster, native %-15s %8.2f   the page kernel %.2fx its time\n", k, native[k], raster / native[k]
  }' "$out/core.csv" "$out/web.txt"
