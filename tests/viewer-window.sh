# Sourced by the scripts that drive the real viewer under Wine and X: its window title, the waits
# for its window and for its exit, its place on the screen and its focus. A script may define its
# own fail() after sourcing this.
title='F11 FullScreen, F5 Redraw; Mouse: RClick PolyLine, LMove Iterations, Wheel Zoom'

fail() {
  echo "FAIL: $*"
  exit 1
}

# run PROGRAM [ARGS...]: a program of the viewer's build, under Wine when OSTREVANE_WINE_RUN names
# the wrapper (with WINEPREFIX), else as it is.
wine=${OSTREVANE_WINE_RUN:-}
run() {
  if [ -n "$wine" ]; then
    "$wine" "${WINEPREFIX:?}" "$@"
  else
    "$@"
  fi
}

# no_window_left SECONDS: waits until no window of the viewer is left on the display, such as one
# of a viewer just ended that the X server has not yet taken away.
no_window_left() {
  waited_from=$(date +%s)
  while xdotool search --name "^$title\$" >/dev/null 2>&1; do
    [ $(($(date +%s) - waited_from)) -lt "$1" ] || fail "a viewer's window is still on the display"
    sleep 0.1
  done
}

# wait_for_window PID SECONDS: sets wid to the viewer's window once it shows; fails when the
# process ends first, or when no window comes within SECONDS.
wait_for_window() {
  waited_from=$(date +%s)
  while :; do
    wid=$(xdotool search --name "^$title\$" 2>/dev/null | head -n 1)
    [ -n "$wid" ] && return 0
    kill -0 "$1" 2>/dev/null || fail "the viewer exited before its window appeared"
    [ $(($(date +%s) - waited_from)) -lt "$2" ] || fail "no window titled '$title' within $2 s"
    sleep 0.1
  done
}

# expect_exit_zero PID SECONDS: the viewer ends within SECONDS (of an Esc), with exit code 0.
expect_exit_zero() {
  waited_from=$(date +%s)
  while kill -0 "$1" 2>/dev/null; do
    [ $(($(date +%s) - waited_from)) -lt "$2" ] || fail "the viewer still runs $2 s after Esc"
    sleep 0.1
  done
  wait "$1"
  exit_code=$?
  [ $exit_code -eq 0 ] || fail "the viewer exited with code $exit_code after Esc"
}

# window_geometry: "X Y WIDTH HEIGHT" of window $wid on the screen; xwininfo's, since xdotool's is
# off by the frame for a window that a window manager has framed.
window_geometry() {
  xwininfo -id "$wid" | awk -F: '/Absolute upper-left X/ { x = $2 } /Absolute upper-left Y/ {
    y = $2 } /Width/ { w = $2 } /Height/ { h = $2 } END { if (w) print x + 0, y + 0, w + 0, h + 0 }'
}

# focus: gives window $wid the keyboard, through the window manager when there is one.
focus() {
  xdotool windowactivate --sync "$wid" 2>/dev/null || xdotool windowfocus --sync "$wid" ||
    fail "cannot focus window $wid"
}
