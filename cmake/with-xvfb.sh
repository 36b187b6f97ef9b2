#!/bin/sh
# with-xvfb COMMAND [args...]: runs COMMAND inside a new Xvfb on a display Xvfb picks itself,
# and stops that Xvfb afterwards. The exit code is COMMAND's. OSTREVANE_XVFB_SCREEN sets the
# screen (default 1280x1024x24). The server never resets: by default it does as its last client
# leaves, and drops a client still connecting then (a viewer starting while xdotool polls).
d=$(mktemp -d)
Xvfb -displayfd 3 -screen 0 "${OSTREVANE_XVFB_SCREEN:-1280x1024x24}" -nolisten tcp -nocursor -noreset \
  3>"$d/dpy" 2>"$d/log" &
xp=$!
# The server ends with the command, however the command ends.
trap 'kill $xp 2>/dev/null; wait $xp 2>/dev/null; rm -rf "$d"' EXIT
trap 'exit 1' INT TERM HUP
i=0
while [ ! -s "$d/dpy" ]; do
  i=$((i + 1))
  if [ $i -gt 200 ] || ! kill -0 $xp 2>/dev/null; then
    echo "with-xvfb: Xvfb did not start" >&2; cat "$d/log" >&2; exit 1
  fi
  sleep 0.05
done
DISPLAY=":$(cat "$d/dpy")"; export DISPLAY
"$@"
