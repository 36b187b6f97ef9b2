#!/bin/sh
# run-soak.sh: the long stress runs against the MinGW build under Wine, then against the native
# build with the sanitizers, inside a private Xvfb. Run from the repository root after those
# builds. SOAK_BUILD (default build/win64) and SOAK_NATIVE_BUILD (default build/native-asan) are
# the build trees; SOAK_EVENTS (default 5000) the real X events, SOAK_MESSAGES (default 100000)
# the forged messages.
set -u
build=${SOAK_BUILD:-build/win64}
events=${SOAK_EVENTS:-5000}
messages=${SOAK_MESSAGES:-100000}
native=${SOAK_NATIVE_BUILD:-build/native-asan}
storms='*MessageStorm*:StormWindow.*:GdiObjectCount.*'

if [ "${1:-}" != "--inside-xvfb" ]; then
  [ -f "$build/ostrevane.exe" ] && [ -f "$build/tests/win32_tests.exe" ] ||
    { echo "run-soak: build $build first (make build-win64)" >&2; exit 2; }
  exec cmake/with-xvfb.sh "$0" --inside-xvfb
fi

root=$(pwd)
build=$(cd "$build" && pwd)
native=$(cd "$native" 2>/dev/null && pwd)
prefix=$build/wineprefix
# A fresh Wine session that knows this display, and none left behind.
WINEPREFIX=$prefix wineserver -k 2>/dev/null
status=0

echo "run-soak: $messages forged messages, then the GDI object count over 1000 paints"
OSTREVANE_STORM_MESSAGES=$messages "$root/cmake/wine-run.sh" "$prefix" "$build/tests/win32_tests.exe" \
  --gtest_filter="$storms" || status=1

echo "run-soak: $events real X events"
"$root/tests/soak/xdotool-soak.sh" "$root/cmake/wine-run.sh" "$prefix" "$build/ostrevane.exe" "$events" ||
  status=1

WINEPREFIX=$prefix wineserver -k 2>/dev/null

if [ -x "$native/ostrevane" ]; then
  echo "run-soak: the same for the native viewer, with the sanitizers ($native)"
  export LSAN_OPTIONS="suppressions=$root/tests/lsan-suppressions.txt"
  OSTREVANE_STORM_MESSAGES=$messages "$native/tests/win32_tests" --gtest_filter="$storms" || status=1
  "$root/tests/soak/xdotool-soak.sh" - - "$native/ostrevane" "$events" || status=1
else
  echo "run-soak: no native build at ${SOAK_NATIVE_BUILD:-build/native-asan}: left out"
fi
[ $status -eq 0 ] && echo "run-soak: passed" || echo "run-soak: FAILED" >&2
exit $status
