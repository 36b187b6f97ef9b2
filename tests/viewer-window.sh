# Sourced by the scripts that drive the real viewer: its window (the one its own process shows),
# the waits for that window and for the viewer's end, the ending of a viewer a failed script
# leaves, its place on the screen and its focus; and the driving itself, the same steps for
# each kind of viewer. `backend` says which: x (the native viewer, or the exe under Wine, on the X
# display, with xdotool and screenshots of the X screen), wayland (the native viewer as a client
# of weston, which runs on the X display and takes its input from it: the same xdotool and
# screenshots) or browser (the page in headless Chromium through tests/e2e/browser_agent.py,
# whose screenshots are the canvas alone, so that the client lies at 0,0 of them). A script may
# define its own fail() after sourcing this. Every wait is for a state, bounded in seconds.
title='F11 FullScreen, F5 Redraw; Mouse: RClick PolyLine, LMove Iterations, Wheel Zoom'
backend=x

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

# running PID: the process has not ended. A zombie has: only its parent's wait is left of it.
running() {
  stat=$(cat "/proc/$1/stat" 2>/dev/null) || return 1
  case ${stat##*) } in Z*) return 1 ;; esac
}

# own_window PID: the visible window titled as the viewer that process PID shows (by the process
# id in its _NET_WM_PID, which SDL and Wine set alike): this run's, never another's.
own_window() {
  xdotool search --onlyvisible --pid "$1" --name "^$title\$" 2>/dev/null | head -n 1
}

# gone PID SECONDS: waits until process PID has ended and no window of it is left on the X
# display; false when either is still there after SECONDS.
gone() {
  waited_from=$(date +%s)
  while running "$1" || [ -n "$(xdotool search --pid "$1" 2>/dev/null)" ]; do
    [ $(($(date +%s) - waited_from)) -lt "$2" ] || return 1
    sleep 0.1
  done
}

# viewer_stop: ends the viewer this script started ($pid) if it still runs, as a kill from its
# user would and then for good, and returns once it and its windows are gone. Every script that
# starts a viewer calls it on its way out, failed or not.
viewer_stop() {
  [ -n "${pid:-}" ] || return 0
  if running "$pid"; then
    kill "$pid" 2>/dev/null
    gone "$pid" 5 || { kill -KILL "$pid" 2>/dev/null; gone "$pid" 5; } ||
      echo "the viewer (process $pid) or its window is still there" >&2
  fi
  wait "$pid" 2>/dev/null
  pid=
}

# wait_for_window PID SECONDS [LOG]: sets wid to the viewer's window once it shows; fails when the
# process ends first (saying what it wrote to LOG), or when no window comes within SECONDS.
wait_for_window() {
  waited_from=$(date +%s)
  while :; do
    if [ "$backend" = wayland ]; then
      wid=$(xdotool search --class Weston 2>/dev/null | head -n 1)
      [ -n "$(window_geometry)" ] || wid=
    else
      wid=$(own_window "$1")
    fi
    [ -n "$wid" ] && return 0
    running "$1" ||
      fail "the viewer exited before its window appeared${3:+: $(tail -n 3 "$3" 2>&1)}"
    [ $(($(date +%s) - waited_from)) -lt "$2" ] || fail "no window titled '$title' within $2 s"
    sleep 0.1
  done
}

# expect_exit_zero PID SECONDS: the viewer ends within SECONDS (of an Esc), with exit code 0, and
# its window leaves the display.
expect_exit_zero() {
  gone "$1" "$2" || fail "the viewer still runs, or its window is still there, $2 s after Esc"
  wait "$1"
  exit_code=$?
  [ $exit_code -eq 0 ] || fail "the viewer exited with code $exit_code after Esc"
}

# window_geometry: "X Y WIDTH HEIGHT" of window $wid on the screen; xwininfo's, since xdotool's is
# off by the frame for a window that a window manager has framed. On Wayland, the client's place
# as the compositor tells it (in its logical pixels), scaled to the screen's.
window_geometry() {
  if [ "$backend" = wayland ]; then
    weston-debug scene-graph 2>/dev/null | awk -v title="top-level window '$title'" \
      -v s="$compositor_scale" 'index($0, title) { found = 1 } found && /position:/ {
        gsub(/[(),]/, " "); print $2 * s, $3 * s, ($5 - $2) * s, ($6 - $3) * s; exit }'
    return
  fi
  xwininfo -id "$wid" | awk -F: '/Absolute upper-left X/ { x = $2 } /Absolute upper-left Y/ {
    y = $2 } /Width/ { w = $2 } /Height/ { h = $2 } END { if (w) print x + 0, y + 0, w + 0, h + 0 }'
}

# focus: gives window $wid the keyboard, through the window manager when there is one. Weston
# passes its keyboard to the window it shows last.
focus() {
  [ "$backend" != wayland ] || return 0
  xdotool windowactivate --sync "$wid" 2>/dev/null || xdotool windowfocus --sync "$wid" ||
    fail "cannot focus window $wid"
}

# --- A Wayland compositor: weston on the X display, through its X11 backend (which takes its seat
# from X; the headless one has none), at OSTREVANE_E2E_SCALE (1 or 2). Its output covers the X
# screen; a viewer started after this is its client. Clients here draw an invisible pointer (a
# cursor theme of one blank image), which weston would otherwise put in every screenshot.

# compositor_start DIR: weston's run-time folder, log and cursor theme go in DIR.
compositor_start() {
  compositor_scale=${OSTREVANE_E2E_SCALE:-1}
  XDG_RUNTIME_DIR=$1/runtime XCURSOR_PATH=$1/cursors XCURSOR_THEME=blank
  WAYLAND_DISPLAY=ostrevane-e2e
  export XDG_RUNTIME_DIR XCURSOR_PATH XCURSOR_THEME WAYLAND_DISPLAY
  mkdir -p -m 700 "$XDG_RUNTIME_DIR" && mkdir -p "$XCURSOR_PATH/blank/cursors" ||
    fail "cannot make weston's folders"
  /usr/bin/python3 -c 'import struct, sys
size = 8  # pixels a side, a multiple of any scale used here
sys.stdout.buffer.write(b"Xcur" + struct.pack("<3I", 16, 0x10000, 1) +
  struct.pack("<3I", 0xfffd0002, 24, 28) +
  struct.pack("<9I", 36, 0xfffd0002, 24, 1, size, size, 0, 0, 0) + bytes(4 * size * size))' \
    >"$XCURSOR_PATH/blank/cursors/left_ptr" || fail "cannot make the blank cursor"
  weston --backend=x11-backend.so --use-pixman --socket="$WAYLAND_DISPLAY" --idle-time=0 --debug \
    --width=$((${screen_size% *} / compositor_scale)) \
    --height=$((${screen_size#* } / compositor_scale)) --scale="$compositor_scale" \
    >"$1/weston.log" 2>&1 &
  compositor=$!
  until [ -S "$XDG_RUNTIME_DIR/$WAYLAND_DISPLAY" ] && xdotool search --class Weston >/dev/null 2>&1
  do
    kill -0 "$compositor" 2>/dev/null || fail "weston did not start: $(tail -n 5 "$1/weston.log")"
    sleep 0.2
  done
  # The keyboard in weston's window once and for all: weston takes a key that comes as its window
  # gains the focus for one already held, and drops it. Weston follows X's pointer by its moves
  # alone, from wherever it first saw it: both are put in one corner, where both stop.
  xdotool windowfocus --sync "$(xdotool search --class Weston | head -n 1)" \
    mousemove $((${screen_size% *} - 1)) $((${screen_size#* } - 1)) sleep 0.3 mousemove 0 0 sleep 0.3 ||
    fail "cannot focus weston's window"
  backend=wayland
  echo "weston runs on $DISPLAY at scale $compositor_scale"
}

compositor_stop() {
  [ -n "${compositor:-}" ] || return 0
  kill "$compositor" 2>/dev/null
  wait "$compositor" 2>/dev/null
  compositor=
}

# --- The browser agent: one command a line, one answer a line, through two fifos.

# agent_start SITE DIR [AGENT OPTIONS...]: starts Chromium on the site, its fifos and log in DIR.
# The agent is found beside the sourcing script's folder, or in tests_dir when that is set.
agent_start() {
  agent_dir=$2
  site=$1
  shift 2
  rm -f "$agent_dir/commands" "$agent_dir/replies"
  mkfifo "$agent_dir/commands" "$agent_dir/replies" || fail "cannot make the agent's fifos"
  # Our ends opened read-write, which waits for no one: an agent that ended before opening its own
  # (no browser, no driver) would leave this waiting for good. Its end is the reply then. The
  # agent keeps none of ours, and so reads the end of its commands should this shell be killed.
  exec 7<>"$agent_dir/commands" 8<>"$agent_dir/replies"
  {
    /usr/bin/python3 "${tests_dir:-$(dirname "$0")/..}/e2e/browser_agent.py" "$site" \
      "$agent_dir/commands" "$agent_dir/replies" "$@" >"$agent_dir/agent.log" 2>&1
    echo "failed: the agent ended" 1<>"$agent_dir/replies"
  } 7>&- 8>&- &
  agent_pid=$!
}

# agent COMMAND...: sends it and sets `answer`; a failure ends the test.
agent() {
  echo "$*" >&7
  read -r answer <&8
  case $answer in
    "failed: the agent ended") fail "the browser agent ended: $(tail -n 5 "$agent_dir/agent.log")" ;;
    failed*) fail "browser: $* -> $answer" ;;
  esac
}

agent_stop() {
  [ -n "${agent_pid:-}" ] || return 0
  echo quit >&7 2>/dev/null
  exec 7>&- 8<&-
  wait "$agent_pid" 2>/dev/null
  agent_pid=
}

# --- The same steps for either backend. Places are pixels of the screenshots.

# viewer_start VIEWER|SITE: starts the viewer and waits for its window, its pid in `pid`.
viewer_start() {
  if [ "$backend" = browser ]; then
    agent_start "$1" "$work" ${OSTREVANE_E2E_BROWSER_OPTIONS:-}
    agent open
    return
  fi
  xdotool keyup Escape F11 2>/dev/null
  # Started here, not through run: a function in the background is a shell of its own, which
  # $! would name, and a kill of it would leave the viewer running.
  if [ -n "$wine" ]; then
    "$wine" "${WINEPREFIX:?}" "$1" >"$work/viewer.log" 2>&1 &
  else
    "$1" >"$work/viewer.log" 2>&1 &
  fi
  pid=$!
  wait_for_window "$pid" 60 "$work/viewer.log"
}

# viewer_geometry: "X Y WIDTH HEIGHT" of the viewer's window in the screenshots.
viewer_geometry() {
  if [ "$backend" = browser ]; then
    agent size
    set -- $answer
    echo "0 0 $1 $2"
  else
    window_geometry
  fi
}

# shoot NAME: a screenshot as $work/NAME.ppm.
shoot() {
  if [ "$backend" = browser ]; then
    agent shot "$work/$1.png"
    convert "$work/$1.png" -depth 8 "$work/$1.ppm" || fail "cannot convert screenshot $1"
  else
    import -window root -depth 8 "$work/$1.ppm" || fail "screenshot $1 failed"
  fi
}

# pointer X Y: moves the pointer there, or as near as the backend goes; at_x, at_y: where.
pointer() {
  at_x=$1 at_y=$2
  if [ "$backend" = browser ]; then
    agent move "$1" "$2"
    set -- $answer
    at_x=$2 at_y=$3
  else
    xdotool mousemove "$1" "$2"
  fi
}

# wheel away|towards: one notch, away from the user zooming out.
wheel() {
  if [ "$backend" = browser ]; then
    [ "$1" = away ] && agent wheel -120 || agent wheel 120
  else
    [ "$1" = away ] && xdotool click 4 || xdotool click 5
  fi
}

right_click() {
  if [ "$backend" = browser ]; then agent button click right; else xdotool click 3; fi
}

# drag_to X Y: the left button down where the pointer is, moved to X, Y (at_x, at_y) and let go.
drag_to() {
  if [ "$backend" = browser ]; then
    agent button down left
    pointer "$1" "$2"
    agent button up left
  else
    at_x=$1 at_y=$2
    xdotool mousedown 1 mousemove "$1" "$2" mouseup 1
  fi
}

# drag_out X Y TO_Y OUT_Y: the left button down at (X, Y), moved to (X, TO_Y) and on to OUT_Y
# outside the client, and let go there. X input alone: a browser's pointer stays in its page.
drag_out() {
  xdotool mousemove "$1" "$2" mousedown 1 mousemove "$1" "$3" mousemove "$1" "$4" mouseup 1
}

# keys KEY...: X's key names (F5, F11, Escape, KP_Add, KP_Subtract, plus, minus).
keys() {
  if [ "$backend" = browser ]; then
    for k in "$@"; do
      case $k in
        KP_Add) k=NumpadAdd ;;
        KP_Subtract) k=NumpadSubtract ;;
        plus) k=+ ;;
        minus) k=- ;;
      esac
      agent key "$k"
    done
  else
    focus
    xdotool key "$@"
  fi
}

# resize_client WIDTH HEIGHT: the desktop (X, or the browser's window) resizes the client, to
# that size or the nearest the backend gives (sized_w, sized_h).
resize_client() {
  sized_w=$1 sized_h=$2
  if [ "$backend" = browser ]; then
    agent resize "$1" "$2"
    set -- $answer
    sized_w=$2 sized_h=$3
  else
    xdotool windowsize "$wid" "$1" "$2"
  fi
}

# full_screen SECONDS: waits until the client covers the screen; sets `full` to "X Y W H". In
# the browser: full screen, the canvas sized for it, and the same twice running.
full_screen() {
  end=$(($(date +%s) + $1))
  seen=
  while :; do
    if [ "$backend" = browser ]; then
      agent size
      full=$(echo "$answer" | awk '$5 == 1 && $1 == int($8 * $6 + 0.5) &&
        $2 == int($9 * $6 + 0.5) { print "0 0", $1, $2 }')
      [ -n "$full" ] && [ "$full" = "$seen" ] && return 0
      seen=$full
    else
      full=$(window_geometry)
      [ "$full" = "0 0 ${screen_size% *} ${screen_size#* }" ] && return 0
    fi
    [ "$(date +%s)" -lt "$end" ] || fail "full screen: the client is $full"
    sleep 0.2
  done
}
screen_size=${OSTREVANE_XVFB_SCREEN:-1280x1024x24}
screen_size=$(echo "${screen_size%x*}" | tr x ' ')

# close_box: a click on the close box of the title bar libdecor draws on weston, at its right end.
close_box() {
  set -- $(window_geometry)
  xdotool mousemove $(($1 + $3 - 8 * compositor_scale)) $(($2 - 6 * compositor_scale)) click 1
}

# viewer_end [close]: Esc (or the close box), and the viewer must end with exit code 0, its
# window gone.
viewer_end() {
  if [ "${1:-}" = close ]; then close_box; else keys Escape; fi
  if [ "$backend" = browser ]; then
    agent exitcode
    [ "$answer" = 0 ] || fail "the page says the program ended with code $answer, not 0"
  else
    expect_exit_zero "$pid" 10
  fi
  pid=
}
