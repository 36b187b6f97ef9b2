#!/bin/sh
# desktop_e2e.sh VIEWER_EXE CHECKER_EXE
# The exe as `make run-wine` starts it on a desktop: a Wine prefix with managed windows, under a real
# window manager (Debian's openbox) on the X display in DISPLAY (cmake/with-xvfb.sh gives a bare
# one). The window manager must frame the window; F11 must cover the screen with a popup and F11
# again give the overlapped style and the frame back; Esc must end the program with exit code 0.
# Environment: WINEPREFIX (a prefix of its own, never the tests' unmanaged one), OSTREVANE_WINE_RUN.
set -u
viewer=$1
checker=$2
wine_run=${OSTREVANE_WINE_RUN:?}
prefix=${WINEPREFIX:?}
export OSTREVANE_WINE_MANAGED=1
. "$(dirname "$0")/../viewer-window.sh"
[ -n "${DISPLAY:-}" ] || fail "no X display"

work=$(mktemp -d)
pid= wm=
cleanup() {
  viewer_stop
  [ -z "$wm" ] || { kill "$wm" 2>/dev/null; wait "$wm" 2>/dev/null; }
  WINEPREFIX=$prefix wineserver -k 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' INT TERM HUP

# until SECONDS COMMAND...: polls COMMAND until it succeeds, for at most SECONDS.
until_ok() {
  end=$(($(date +%s) + $1))
  shift
  until "$@"; do
    [ "$(date +%s)" -lt "$end" ] || return 1
    sleep 0.2
  done
}

openbox --sm-disable >"$work/openbox.log" 2>&1 &
wm=$!
# Ready once its theme is loaded: a window mapped before may never be framed.
wm_running() { xprop -root _OB_THEME 2>/dev/null | grep -q '='; }
until_ok 15 wm_running || fail "openbox did not start: $(cat "$work/openbox.log")"
echo "step 1: openbox runs on $DISPLAY"

WINEPREFIX=$prefix wineserver -k 2>/dev/null
xdotool keyup Escape F11 2>/dev/null
"$wine_run" "$prefix" "$viewer" >"$work/viewer.log" 2>&1 &
pid=$!
wait_for_window "$pid" 60

# The window manager's frame: _NET_FRAME_EXTENTS = left, right, top, bottom.
frame_top() {
  xprop -id "$wid" _NET_FRAME_EXTENTS 2>/dev/null | sed -n 's/.*= *[0-9]*, *[0-9]*, *\([0-9]*\),.*/\1/p'
}
framed() { [ "$(frame_top)" -gt 0 ] 2>/dev/null; }
unframed() { [ "$(frame_top)" = 0 ]; }
geometry() {
  eval "$(xdotool getwindowgeometry --shell "$wid")" && win="$X $Y $WIDTH $HEIGHT"
}
style() { (cd "$work" && "$wine_run" "$prefix" "$checker" style "$1") 2>&1 | tr -d '\r'; }
has_style() { style "$1" | grep -q '^style' && ! style "$1" | grep -q FAIL; }

until_ok 10 framed || fail "the window manager did not frame the window: $(xprop -id "$wid" _NET_FRAME_EXTENTS)"
geometry
echo "step 2: window $wid framed by the window manager (frame top $(frame_top) px), client $win"
has_style overlapped || fail "the new window's style: $(style overlapped)"

xdotool windowactivate --sync "$wid" 2>/dev/null || xdotool windowfocus --sync "$wid"
xdotool key F11
screen=$(xdotool getdisplaygeometry)
full() { geometry && [ "$win" = "0 0 $screen" ] && unframed; }
until_ok 10 full || fail "full screen: window $win, frame top $(frame_top), screen $screen"
has_style popup || fail "full screen: $(style popup)"
echo "step 3: F11 covers the screen ($win), no frame, popup style"

xdotool windowactivate --sync "$wid" 2>/dev/null || xdotool windowfocus --sync "$wid"
xdotool key F11
back() { framed && has_style overlapped; }
until_ok 10 back || fail "after F11 again: frame top $(frame_top), $(style overlapped)"
geometry
echo "step 4: F11 again: overlapped style and the frame back (frame top $(frame_top) px), client $win"

xdotool windowactivate --sync "$wid" 2>/dev/null || xdotool windowfocus --sync "$wid"
xdotool key Escape
expect_exit_zero "$pid" 10
pid=
echo "step 5: Esc: exit code 0"
echo "PASS"
