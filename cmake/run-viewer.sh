#!/bin/sh
# run-viewer BUILD_DIR: starts the viewer under Wine on this machine's display.
if [ -z "$DISPLAY" ]; then
  echo "make run: no display (DISPLAY is not set); start it from a desktop session, or use make test" >&2
  exit 1
fi
build=$(cd "$1" && pwd)
exec "$(dirname "$0")/wine-run.sh" "$build/wineprefix" "$build/ostrevane.exe"
