#!/bin/sh
# run-viewer VIEWER: starts the native viewer on this machine's display.
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "make run: no display (neither DISPLAY nor WAYLAND_DISPLAY is set); start it from a desktop session, or use make test" >&2
  exit 1
fi
exec "$1"
