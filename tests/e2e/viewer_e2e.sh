#!/bin/sh
# viewer_e2e.sh VIEWER CHECKER
# Drives the real viewer with real input and judges screenshots with the checker, which computes
# what each picture must be with the program's own core arithmetic. VIEWER is a program, driven
# on the X display with xdotool, or the web build's site (a folder), driven in headless Chromium.
# Environment: DISPLAY (an X server of 1280x1024x24, such as cmake/with-xvfb.sh starts), for an X
# program. For the Windows exe, OSTREVANE_WINE_RUN (cmake/wine-run.sh) and WINEPREFIX run it and
# its checker under Wine; without them both are native programs, and the window is also resized
# by X. With OSTREVANE_E2E_WM=openbox or i3 the test runs under that window manager (i3 tiles
# it); with weston (its desktop shell), weston-kiosk or sway, the viewer is a client of that
# Wayland compositor (at OSTREVANE_E2E_SCALE). In sway, OSTREVANE_E2E_OUTPUTS=2 adds an output at
# scale 1 and moves the window there, OSTREVANE_E2E_STORM=1 sends a storm of configures, and
# OSTREVANE_E2E_SEAT=virtual drives the viewer with devices that come and go. For the site,
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
    ended
    # A virtual pointer lives too short a time for a client to take it every time; a sound one
    # takes one of these, and learns where the pointer is on entering.
    [ -z "$cursor_at" ] || in_sway wlrctl pointer move 0 0 || fail "wlrctl pointer move 0 0"
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

# ended: fails when the viewer has ended, with its exit code (139: a segmentation fault) and last
# words.
ended() {
  [ "$backend" = browser ] || running "$pid" && return 0
  wait "$pid"
  fail "the viewer ended with code $?: $(tail -n 3 "$work/viewer.log")"
}

geometry() {
  win=$(viewer_geometry) && [ -n "$win" ] || { ended; fail "no geometry for the viewer's window"; }
}

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

# wm_start NAME PROPERTY COMMAND...: a window manager on the display, ready once it has set that
# property of the root window (openbox's theme, loaded late on a fresh machine's first font
# cache: a window mapped before it may never be framed).
wm_start() {
  name=$1 property=$2
  shift 2
  "$@" >"$work/$name.log" 2>&1 &
  wm=$!
  end=$(($(date +%s) + 30))
  until xprop -root "$property" 2>/dev/null | grep -q '='; do
    running "$wm" || fail "$name did not start: $(cat "$work/$name.log")"
    [ "$(date +%s)" -lt "$end" ] || fail "$name did not start within 30 s"
    sleep 0.2
  done
  echo "$name runs on $DISPLAY"
}

if [ "${OSTREVANE_E2E_WM:-}" = openbox ]; then
  wm_start openbox _OB_THEME openbox --sm-disable
elif [ "${OSTREVANE_E2E_WM:-}" = i3 ]; then
  # Tiled without borders, with gaps, so that full screen differs from the tile.
  printf '%s\n' "# i3 config file (v4)" "default_border none" "default_floating_border none" \
    "gaps inner 40" >"$work/i3.config"
  wm_start i3 I3_SOCKET_PATH i3 -c "$work/i3.config"
elif [ -n "${OSTREVANE_E2E_WM:-}" ]; then
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
  [ "$backend" = browser ] || [ "${OSTREVANE_E2E_SEAT:-}" = virtual ] && return
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
  # i3 has its window where its tree says.
  [ "$OSTREVANE_E2E_WM" = i3 ] && framed() {
    [ "$(window_geometry)" = "$(i3-msg -t get_tree | /usr/bin/python3 -c 'import json, sys
def rects(node):
    if node.get("window") == int(sys.argv[1], 0):
        r, w = node["rect"], node["window_rect"]
        print(r["x"] + w["x"], r["y"] + w["y"], w["width"], w["height"])
    for child in node["nodes"] + node["floating_nodes"]:
        rects(child)
rects(json.load(sys.stdin))' "$wid")" ]
  }
  end=$(($(date +%s) + 30))
  until framed; do
    [ "$(date +%s)" -lt "$end" ] || fail "$OSTREVANE_E2E_WM did not frame the window within 30 s"
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

# Step 2d, with devices that come and go alone: each move is a pointer of its own and each key a
# keyboard of its own, with its own keymap. The orbit must follow every move, and the keys must
# be read by the symbols of the keymap that came with them.
if [ "${OSTREVANE_E2E_SEAT:-}" = virtual ]; then
  for place in "$((cw / 4)) $((ch / 3))" "$((cw * 3 / 4)) $((ch / 5))" "$((cw / 3)) $((ch / 4))"; do
    set -- $place
    echo "step 2d: a pointer of its own moves to ($1,$2)"
    pointer $((cx + $1)) $((cy + $2))
    expect virtualmoved 10 orbit virtualmoved.ppm $client 1.0 $1 $2 200 0
  done
  echo "step 2d: a keyboard of its own for each of minus, F5, plus, F5"
  keys minus
  expect virtualminus 10 rings virtualminus.ppm $client 1.06
  keys F5
  expect virtualredraw 15 fractal virtualredraw.ppm $client 1.06
  keys plus
  expect virtualplus 10 rings virtualplus.ppm $client 1.0
  keys F5
  expect virtualredrawback 15 fractal virtualredrawback.ppm $client 1.0
  echo "step 2d: F11 and back, each from a keyboard of its own"
  keys F11
  full_screen 10
  keys F11
  reach "$win0" "after full screen"
  set -- $((cw / 2)) $((ch / 5))
  echo "step 2d: the pointer again, after the keyboards: to ($1,$2)"
  pointer $((cx + $1)) $((cy + $2))
  expect virtuallast 10 orbit virtuallast.ppm $client 1.0 $1 $2 200 0
  echo "step 7: Esc from a keyboard of its own"
  viewer_end
  echo "  exited with code 0"
  echo "PASS"
  exit 0
fi

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
out_y=$((cy - 20))
[ "$out_y" -ge 0 ] || out_y=$((cy + ch + 20))
set -- $(output_size)
if [ "$backend" != browser ] && [ "$out_y" -ge "$2" ]; then
  echo "step 5b: no room above or below the client for a drag out of it"
elif [ "$backend" != browser ]; then
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

# sized WHAT: the client after a change of size that WHAT made: located on the screen, then F5
# renders the picture for it, pixel for pixel; `sized` is its place.
sized() {
  expect "$1" 10 locate "$1.ppm" $win
  set -- "$1" $(grep '^CLIENT' "$work/out")
  sized="$3 $4 $5 $6"
  keys F5
  expect "$1redraw" 15 fractal "$1redraw.ppm" $sized 1.0
  must rings "$1redraw.ppm" $sized 1.0
}

# changed FROM WHAT: waits up to 10 s for the window to leave geometry FROM, and for the one it
# takes to hold for a second.
changed() {
  end=$(($(date +%s) + 10))
  held=0 last=
  while geometry; do
    if [ "$win" = "$1" ]; then
      held=0
    elif [ "$win" = "${last:-}" ]; then
      held=$((held + 1))
      [ "$held" -lt 5 ] || return 0
    fi
    last=$win
    [ "$(date +%s)" -lt "$end" ] || fail "$2: the window is $win"
    sleep 0.2
  done
}

# Step 6w: on weston's desktop, the window's edge dragged, then maximized and restored by the box
# of its title bar, and by a double click on the title bar: each new size is exact after F5, and
# restored gives the old size back.
if [ "${OSTREVANE_E2E_WM:-}" = weston ]; then
  s=$compositor_scale
  set -- $win0
  corner_x=$(($1 + $3 + 3 * s)) corner_y=$(($2 + $4 + 3 * s))
  echo "step 6w: the window's bottom right corner dragged in by (100,60), on the screen at any scale"
  # Weston resizes from the button's place once the client has asked it to, after the press: the
  # pointer is nudged until the window follows, then taken there and let go.
  xdotool mousemove $corner_x $corner_y mousedown 1
  end=$(($(date +%s) + 10))
  nudge=0
  until [ "$(window_geometry)" != "$win0" ]; do
    [ "$(date +%s)" -lt "$end" ] || { xdotool mouseup 1; fail "the window's corner does not follow"; }
    nudge=$((2 - nudge))
    xdotool mousemove $((corner_x + nudge)) $((corner_y + nudge))
    sleep 0.2
  done
  xdotool mousemove $((corner_x - 100)) $((corner_y - 60))
  reach "$1 $2 $(($3 - 100)) $(($4 - 60))" "the edge dragged in by (100,60)"
  xdotool mouseup 1
  sized dragged
  win_dragged=$win
  echo "step 6w: maximized by the title bar's box"
  maximize_box
  changed "$win_dragged" "maximized"
  sized maximized
  echo "step 6w: restored by the same box"
  maximize_box
  reach "$win_dragged" "restored by the title bar's box"
  sized boxrestored
  echo "step 6w: a double click on the title bar, twice"
  set -- $win
  xdotool mousemove $(($1 + $3 / 2)) $(($2 - 6 * s)) click --repeat 2 --delay 100 1
  changed "$win_dragged" "maximized by a double click"
  sized doubleclicked
  set -- $win
  xdotool mousemove $(($1 + $3 / 2)) $(($2 - 6 * s)) click --repeat 2 --delay 100 1
  reach "$win_dragged" "restored by a double click"
  sized undoubleclicked
fi

# Step 6o: in sway, a second output at scale 1 beside the first (its X window put beside the
# first's), the window moved there: its client in that output's device pixels at once.
if [ "${OSTREVANE_E2E_OUTPUTS:-1}" = 2 ]; then
  echo "step 6o: a second output at scale 1, the window moved there"
  in_sway swaymsg create_output >/dev/null || fail "sway cannot make a second output"
  end=$(($(date +%s) + 10))
  until second=$(root_windows | awk -v first="$compositor_window" '$1 != first { print $1 }') &&
    [ -n "$second" ]; do
    [ "$(date +%s)" -lt "$end" ] || fail "no X window for the second output within 10 s"
    sleep 0.2
  done
  xdotool windowmove "$second" 1200 0 || fail "cannot place the second output's window"
  in_sway swaymsg "output X11-2 scale 1 position $(awk "BEGIN { print 1200 / $compositor_scale }") 0" \
    >/dev/null && in_sway swaymsg "[pid=$pid] move container to output X11-2; [pid=$pid] focus" \
    >/dev/null || fail "cannot move the window to the second output"
  end=$(($(date +%s) + 10))
  until set -- $(sway_view) && [ "$1 $2" = "X11-2 1.0" ]; do
    [ "$(date +%s)" -lt "$end" ] || fail "the window is not on X11-2 at scale 1 within 10 s: $*"
    sleep 0.2
  done
  geometry
  echo "  on $1, window $win"
  sized secondoutput
fi

# Step 6s: in sway, a storm of configures, faster than frames: floating and tiled, one pixel,
# larger than the screen, full screen and back, the output's scale changed (to 100 and to a
# quarter too) and changed back. Then
# the tile again, and F5 exact there.
if [ -n "${OSTREVANE_E2E_STORM:-}" ]; then
  echo "step 6s: a storm of configures"
  v="[pid=$pid]"
  for round in 1 2 3 4 5; do
    in_sway swaymsg "$v floating enable; $v resize set 1 1; $v resize set 5000 4000; \
      $v fullscreen toggle; output X11-1 scale 2; $v resize set 1 1; $v fullscreen toggle; \
      output X11-1 scale 1.25; $v resize set 333 777; $v floating disable; $v fullscreen toggle; \
      output X11-1 scale 100; output X11-1 scale 0.25; \
      output X11-1 scale $compositor_scale; $v fullscreen toggle; $v floating enable; \
      $v resize set 1 5000; $v floating disable" >"$work/storm.out" ||
      fail "sway refused the storm: $(cat "$work/storm.out")"
  done
  reach "$win0" "the tile again after the storm"
  sized afterstorm
fi

# Step 6b: sizes given by the desktop (X, or the browser's window), odd ones too, keep the picture
# until F5 renders it for the new client. A window Wine draws the frame of itself does not follow
# X's sizes, nor a window that i3 tiles, and a Wayland compositor sizes its windows only as its
# user drags their edges.
if [ -z "$wine" ] && [ "$backend" != wayland ] && [ "${OSTREVANE_E2E_WM:-}" != i3 ]; then
  for size in "801 601" "1001 499"; do
    set -- $size
    echo "step 6b: resized to $1 x $2 by the desktop"
    resize_client "$1" "$2"
    geometry
    set -- $win
    reach "$1 $2 $sized_w $sized_h" "resize to $sized_w x $sized_h"
    sized resized
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
if [ "$compositor_name" = weston ] && [ "$compositor_scale" = 2 ]; then
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
