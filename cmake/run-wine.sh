#!/bin/sh
# run-wine BUILD_DIR: starts the Windows exe under Wine on this machine's display, in a prefix of its
# own whose windows the desktop's window manager frames (the tests' prefix leaves them unmanaged).
if [ -z "$DISPLAY" ]; then
  echo "make run-wine: no display (DISPLAY is not set); start it from a desktop session, or use make test" >&2
  exit 1
fi
build=$(cd "$1" && pwd)
OSTREVANE_WINE_MANAGED=1 exec "$(dirname "$0")/wine-run.sh" "$build/desktop-wineprefix" "$build/ostrevane.exe"
