#!/bin/sh
# viewer_e2e.sh VIEWER CHECKER
# Drives the real viewer with real input and judges screenshots with the checker, which computes
# what each picture must be with the program's own core arithmetic. VIEWER is a program, driven
# on the X display with xdotool, or the web build's site (a folder), driven in headless Chromium.
# Environment: DISPLAY (an X server of 1280x1024x24, such as cmake/with-xvfb.sh starts), for an X
# program. For the Windows exe, OSTREVANE_WINE_RUN (cmake/wine-run.sh) and WINEPREFIX run it and
# its checker under Wine; without them both are native programs, and the window is also resized
# by X. With OSTREVANE_E2E_WM=openbox the test runs under that window manager; with weston, the
# viewer is a client of that Wayland compositor (at OSTREVANE_E2E_SCALE). For the site,
# OSTREVANE_E2E_BROWSER_OPTIONS are the browser agent's options (--scale 2, say).
# OSTREVANE_E2E_KEEP=1 keeps the screenshots; with OSTREVANE_SAVE_SHOTS=1 the start view and the
# detailed orbit are saved as PNG files in OSTREVANE_DOCS_DIR.
set -u
viewer=$1
checker=$2
. "$(dirname "$0")/../viewer-window.sh"
[ -d "$viewer" ] && backend=browser

[ "$backend" = browser ] || [ -n "${DISPLAY:-}" ] ||
  fail "no X display; run the tests inside cmake/with-xvfb.sh"

work=$(mktemp -d)
pid= wm=
cleanup() {
  agent_stop
  viewer_stop
  [ -z "$wm" ] || { kill "$wm" 2>/dev/null; wait "$wm" 2>/dev/null; }
  compositor_stop
  if [ -n "${OSTREVANE_E2E_KEEP:-}" ]; then
    echo "screenshots kept in $work"
  else
    rm -rf "$work"
  fi
}
trap cleanup EXIT
trap 'exit 1' INT TERM HUP

# Runs the checker from the work directory (Wine reads the relative file names there). Its
# output goes to $work/out; the checker's exit code is returned.
check() {
  (cd "$work" && run "$checker" "$@") >"$work/out.raw" 2>&1
  rc=$?
  tr -d '\r' <"$work/out.raw" >"$work/out"
  return $rc
}

say() { sed 's/^/  /' "$work/out"; }

# expect NAME SECONDS CHECK_ARGS...: screenshots NAME until the check holds, for at most SECONDS.
# Painting follows input asynchronously, so the first shots may still show the previous frame.
expect() {
  name=$1 limit=$2
  shift 2
  end=$(($(date +%s) + limit))
  while :; do
    shoot "$name"
    if check "$@"; then
      say
      return 0
    fi
    [ "$(date +%s)" -lt "$end" ] || break
    sleep 0.2
  done
  say
  fail "$name: the screen did not show this within $limit s: $*"
}

# must CHECK_ARGS...: the check holds on the screenshot taken last.
must() {
  check "$@" || {
    say
    fail "$*"
  }
  say
}

# must_not CHECK_ARGS...: the check fails, which tells that the picture has changed.
must_not() {
  if check "$@"; then
    say
    fail "this should no longer hold: $*"
  fi
  sed 's/^FAIL /(as it should, no longer holds) /; s/^/  /' "$work/out"
}

geometry() { win=$(viewer_geometry) && [ -n "$win" ] || fail "no geometry for the viewer's window"; }

# reach "X Y WIDTH HEIGHT" WHAT: waits up to 10 s for the window to take that geometry.
reach() {
  end=$(($(date +%s) + 10))
  until geometry && [ "$win" = "$1" ]; do
    [ "$(date +%s)" -lt "$end" ] || fail "$2: window is $win, not $1"
    sleep 0.2
  done
}


save_shot() {
  [ "${OSTREVANE_SAVE_SHOTS:-0}" = 1 ] || return 0
  convert "$work/$1.ppm" -crop "${cw}x${ch}+${cx}+${cy}" +repage "${OSTREVANE_DOCS_DIR:?}/$2" ||
    fail "cannot save $2"
  echo "  saved $OSTREVANE_DOCS_DIR/$2"
}

if [ "${OSTREVANE_E2E_WM:-}" = openbox ]; then
  openbox --sm-disable >"$work/openbox.log" 2>&1 &
  wm=$!
  # Ready once its theme is loaded: a window mapped before may never be framed (seen on a fresh
  # machine, whose first font cache makes that moment late).
  until xprop -root _OB_THEME 2>/dev/null | grep -q '='; do
    kill -0 "$wm" 2>/dev/null || fail "openbox did not start: $(cat "$work/openbox.log")"
    sleep 0.2
  done
  echo "openbox runs on $DISPLAY"
elif [ "${OSTREVANE_E2E_WM:-}" = weston ]; then
  compositor_start "$work"
fi

# Step 1: a mouse move sets the seed. Under Wine a new window's first one carries Wine's idea of
# the pointer, which moving the X pointer alone does not update, so the pointer is parked through
# Wine first. The native viewer follows the X pointer, which xdotool moves only once a window is
# on a bare X server, and is parked at the same place in its client wherever the desktop put
# the window; the page, the pointer moved into the canvas.
park_x=436 park_y=152
[ "$backend" = browser ] && park_x=136
park() {
  pointer $park_x $park_y || fail "cannot move the pointer"
  park_x=$at_x park_y=$at_y
  [ -z "$wine" ] || must park $park_x $park_y
  [ "$backend" = browser ] && return
  eval "$(xdotool getmouselocation --shell)"
  [ "$X $Y" = "$park_x $park_y" ] || fail "the X pointer is at $X,$Y, not at $park_x,$park_y"
}
[ -z "$wine" ] || park
start=$(date +%s)
viewer_start "$viewer"
# A window manager frames the window a moment after it appears, and moves it doing so (the first
# time openbox runs on a machine, seconds later). The browser agent waits for its page itself.
if [ -n "$wm" ] && [ "$backend" = x ]; then
  framed() { xprop -id "$wid" _NET_FRAME_EXTENTS 2>/dev/null | grep -q '='; }
  end=$(($(date +%s) + 30))
  until framed; do
    [ "$(date +%s)" -lt "$end" ] || fail "openbox did not frame the window within 30 s"
    sleep 0.2
  done
fi
if [ -z "$wine" ]; then
  geometry
  set -- $win
  [ "$backend" = browser ] || park_x=$(($1 + park_x)) park_y=$(($2 + park_y))
  park
fi
geometry
echo "step 1: window titled '$title' after $(($(date +%s) - start)) s; window $win"
win0=$win
if [ "$backend" = browser ]; then
  # One program pixel a device pixel: the canvas is its CSS size times devicePixelRatio, and a
  # screenshot at the device scale is the canvas's size.
  agent size
  echo "  canvas, screen, full screen, ratio, keys, CSS size: $answer"
  sized=$(echo "$answer" | awk '{ print ($1 == int($8 * $6 + 0.5) && $2 == int($9 * $6 + 0.5)) }')
  [ "$sized" = 1 ] || fail "the canvas is not its CSS size times devicePixelRatio"
  agent shot "$work/sized.png"
  [ "${answer#ok }" = "${win#0 0 }" ] || fail "a screenshot of the canvas is ${answer#ok }, not ${win#0 0 }"
fi

# Step 2: the client area holds the escape-time picture of scale 1.0, pixel for pixel.
echo "step 2: start view"
expect start 15 locate start.ppm $win
set -- $(grep '^CLIENT' "$work/out")
cx=$2 cy=$3 cw=$4 ch=$5
client="$cx $cy $cw $ch"
client0=$client
seed_x=$((park_x - cx)) seed_y=$((park_y - cy))
# The first frame may come before Wine's first mouse move, which brings the parked pointer's seed.
expect start 10 orbit start.ppm $client 1.0 $seed_x $seed_y 200 0
must fractal start.ppm $client 1.0
save_shot start start-view.png

# Step 3: moving the pointer without a button moves the orbit and nothing else.
echo "step 3: pointer moves the orbit"
move_x=$((cx + cw / 4)) move_y=$((cy + ch / 3))
pointer $move_x $move_y
seed_x=$((at_x - cx)) seed_y=$((at_y - cy))
expect moved 10 orbit moved.ppm $client 1.0 $seed_x $seed_y 200 0
check changed start.ppm moved.ppm $client || {
  say
  fail "cannot compare the screenshots"
}
set -- $(cat "$work/out")
echo "  pixels changed $2, fractal pixels changed $4"
[ "$2" -gt 0 ] && [ "$4" -eq 0 ] ||
  fail "moving the pointer must change the orbit and only the orbit"
must_not orbit start.ppm $client 1.0 $seed_x $seed_y 200 0
must fractal moved.ppm $client 1.0

# Step 4: the wheel moves the circles at once; the picture follows only on F5. Three notches are
# three steps of 1.06.
echo "step 4: wheel out three notches, to scale 1.06^3"
wheel away
wheel away
wheel away
expect wheel 10 rings wheel.ppm $client 1.19101584
must_not rings wheel.ppm $client 1.0
must fractal wheel.ppm $client 1.0
must_not fractal wheel.ppm $client 1.19101584
must orbit wheel.ppm $client 1.19101584 $seed_x $seed_y 200 0
echo "step 4: F5 renders scale 1.06^3"
keys F5
expect redraw 15 fractal redraw.ppm $client 1.19101584
must rings redraw.ppm $client 1.19101584
echo "step 4: wheel in three notches, back to scale 1.0"
wheel towards
wheel towards
wheel towards
expect wheelback 10 rings wheelback.ppm $client 1.0
must fractal wheelback.ppm $client 1.19101584
keys F5
expect redrawback 15 fractal redrawback.ppm $client 1.0
echo "step 4: the main keyboard's + and -, wherever the layout puts them"
keys plus
expect plus 10 rings plus.ppm $client 0.94339627
keys minus
expect minus 10 rings minus.ppm $client 1.0

# Step 5: right button for the detailed polyline, a left drag for a longer orbit.
drag_y=$((ch / 5 * 2))
long=$((4 * drag_y))
check pickseed $cw $ch 1.0 200 $long || {
  say
  fail "no seed with a visibly longer orbit in a ${cw}x$ch client"
}
set -- $(cat "$work/out")
seed_x=$2 seed_y=$3
echo "step 5: seed ($seed_x,$seed_y), orbit of 200 steps, then $long"
pointer $((cx + seed_x)) $((cy + seed_y))
expect plain 10 orbit plain.ppm $client 1.0 $seed_x $seed_y 200 0
must_not orbit plain.ppm $client 1.0 $seed_x $seed_y 200 1
right_click
expect detailed 10 orbit detailed.ppm $client 1.0 $seed_x $seed_y 200 1
must_not orbit detailed.ppm $client 1.0 $seed_x $seed_y $long 1
drag_to $((cx + seed_x)) $((cy + drag_y))
pointer $((cx + seed_x)) $((cy + seed_y))
expect longer 10 orbit longer.ppm $client 1.0 $seed_x $seed_y $long 1
must fractal longer.ppm $client 1.0
save_shot longer orbit-detailed.png

# Step 5b: a drag that leaves the client sets the length of its last row inside, as on Windows
# without capture: from row 50 to row 40 and on out of the window, above it where there is room.
if [ "$backend" != browser ]; then
  out_y=$((cy - 20))
  [ "$out_y" -ge 0 ] || out_y=$((cy + ch + 20))
  echo "step 5b: a drag from row 50 to row 40 and out to screen row $out_y"
  drag_out $((cx + seed_x)) $((cy + 50)) $((cy + 40)) $out_y
  pointer $((cx + seed_x)) $((cy + seed_y))
  expect dragout 10 orbit dragout.ppm $client 1.0 $seed_x $seed_y 160 1
fi

# Step 5t, on a touch screen: keys beside the client; one finger moves the orbit, a long press is
# the right button, two fingers pinching apart zoom in by whole notches.
case " ${OSTREVANE_E2E_BROWSER_OPTIONS:-} " in
  *" --touch "*)
    agent size
    set -- $answer
    [ "$7" = 1 ] || fail "no keys beside the client on a touch screen"
    touch_x=$((cw / 3 / 2 * 2)) touch_y=$((ch / 4 / 2 * 2))
    echo "step 5t: a finger from the seed to ($touch_x,$touch_y), held there, then a pinch"
    agent swipe $((cx + seed_x)) $((cy + seed_y)) $((cx + touch_x)) $((cy + touch_y))
    expect touched 10 orbit touched.ppm $client 1.0 $touch_x $touch_y $long 1
    agent hold $((cx + touch_x)) $((cy + touch_y))
    expect held 10 orbit held.ppm $client 1.0 $touch_x $touch_y $long 0
    # Apart by a tenth: one notch (1.06) and no more.
    agent pinch $((cx + cw / 2)) $((cy + ch / 2)) 200 220
    expect pinched 10 rings pinched.ppm $client 0.94339627
    must fractal pinched.ppm $client 1.0
    agent strip F5
    expect stripped 15 fractal stripped.ppm $client 0.94339627
    agent strip NumpadSubtract
    expect unpinched 10 rings unpinched.ppm $client 1.0
    ;;
esac

# Step 6: F11 covers the screen; F11 again gives the old client back. First a seed in the
# client's corner, far outside the set: a long orbit could hide the axes that locate the client.
echo "step 6: F11 full screen"
pointer $((cx + cw - 4)) $((cy + 4))
keys F11
full_screen 10
expect full 10 locate full.ppm $full
set -- $(grep '^CLIENT' "$work/out")
[ "$2 $3 $4 $5" = "$full" ] || fail "full screen: client is $2 $3 $4 $5, not $full"
keys F5
expect fullredraw 15 fractal fullredraw.ppm $full 1.0
must rings fullredraw.ppm $full 1.0
echo "step 6: F11 back to the window"
keys F11
reach "$win0" "after full screen"
expect restored 10 locate restored.ppm $win
set -- $(grep '^CLIENT' "$work/out")
[ "$2 $3 $4 $5" = "$client0" ] || fail "after full screen: client is $2 $3 $4 $5, not $client0"
echo "  window $win, client $client0 as before"
if [ "$backend" = browser ]; then
  # The browser's own Esc leaves full screen without telling the page: the program gets the size
  # a desktop would give, and its own F11, which still takes it to be full screen, leaves that
  # first; a second F11 goes back to full screen.
  echo "step 6: the browser leaves full screen by itself"
  keys F11
  full_screen 10
  agent leave
  reach "$win0" "after the browser left full screen"
  expect left 10 locate left.ppm $win
  keys F11
  sleep 0.5
  geometry
  [ "$win" = "$win0" ] || fail "the first F11 after the browser left full screen moved the client"
  keys F11
  full_screen 10
  keys F11
  reach "$win0" "after full screen again"
  echo "  F11 twice: full screen and back"
fi

# Step 6b: sizes given by the desktop (X, or the browser's window), odd ones too, keep the picture
# until F5 renders it for the new client. A window Wine draws the frame of itself does not follow
# X's sizes, and a Wayland compositor sizes its windows only as its user drags their edges.
if [ -z "$wine" ] && [ "$backend" != wayland ]; then
  for size in "801 601" "1001 499"; do
    set -- $size
    echo "step 6b: resized to $1 x $2 by the desktop"
    resize_client "$1" "$2"
    geometry
    set -- $win
    reach "$1 $2 $sized_w $sized_h" "resize to $sized_w x $sized_h"
    expect resized 10 locate resized.ppm $win
    set -- $(grep '^CLIENT' "$work/out")
    sized="$2 $3 $4 $5"
    keys F5
    expect resizedredraw 15 fractal resizedredraw.ppm $sized 1.0
    must rings resizedredraw.ppm $sized 1.0
  done
fi

# Step 7: Esc ends the program with exit code 0.
echo "step 7: Esc"
if [ "$backend" = browser ]; then
  agent health
  echo "  failed requests, console errors: $answer"
  [ "$answer" = "0 0 " ] || [ "$answer" = "0 0" ] || fail "the page had failed requests or errors"
fi
# Under weston at twice the scale, the window's close box instead.
if [ "$backend" = wayland ] && [ "$compositor_scale" = 2 ]; then
  echo "step 7: the close box instead"
  viewer_end close
else
  viewer_end
fi
echo "  exited with code 0"
if [ "$backend" = browser ]; then
  echo "step 8: the site no longer served: the page opens from its service worker's copies"
  agent offline
  geometry
  expect offline 15 fractal offline.ppm $win 1.0
  agent health
  [ "$answer" = "0 0" ] || fail "offline, failed requests and console errors: $answer"
fi
echo "PASS"
