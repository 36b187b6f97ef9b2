#!/bin/sh
# no_display.sh VIEWER: with no display, or no such video driver, the viewer cannot open its
# window: it says why in one line on standard error and ends with exit code 0. On a display that
# gives the window no surface (X at depth 30 without OpenGL's), it cannot show the window it
# opened: it says so in one line and ends with a failure's exit code, rather than run unseen.
viewer=$1
# A session's own run-time folder, without which Wayland's library complains on its own account.
XDG_RUNTIME_DIR=$(mktemp -d) && export XDG_RUNTIME_DIR
trap 'rm -rf "$XDG_RUNTIME_DIR"' EXIT
for driver in "" no-such-driver; do
  out=$(env -u DISPLAY -u WAYLAND_DISPLAY SDL_VIDEODRIVER="$driver" timeout 10 "$viewer" 2>&1 >/dev/null)
  rc=$?
  lines=$(printf '%s\n' "$out" | grep -c .)
  echo "video driver '${driver:-default}': exit code $rc, $lines line: $out"
  [ "$rc" -eq 0 ] && [ "$lines" -eq 1 ] || { echo "FAIL"; exit 1; }
done
out=$(OSTREVANE_XVFB_SCREEN=1280x1024x30 SDL_FRAMEBUFFER_ACCELERATION=0 \
  "$(dirname "$0")/../../cmake/with-xvfb.sh" timeout 10 "$viewer" 2>&1 >/dev/null)
rc=$?
lines=$(printf '%s\n' "$out" | grep -c .)
echo "depth 30 without OpenGL: exit code $rc, $lines line: $out"
[ "$rc" -ne 0 ] && [ "$rc" -ne 124 ] && [ "$lines" -eq 1 ] || { echo "FAIL"; exit 1; }
echo "PASS"
