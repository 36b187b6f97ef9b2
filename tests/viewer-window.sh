# Sourced by the scripts that drive the real viewer: its window (the one its own process shows),
# the waits for that window and for the viewer's end, the ending of a viewer a failed script
# leaves, its place on the screen and its focus; and the driving itself, the same steps for
# each kind of viewer. `backend` says which: x (the native viewer, or the exe under Wine, on the X
# display, with xdotool and screenshots of the X screen), wayland (the native viewer as a client
# of weston or sway, which run on the X display and take their input from it: the same xdotool;
# screenshots of the X screen, or sway's own by grim) or browser (the page in headless Chromium through tests/e2e/browser_agent.py,
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
      wid=$compositor_window
      [ -n "$(window_geometry)" ] || wid=
    else
      wid=$(own_window "$1")
    fi
    [ -n "$wid" ] && return 0
    running "$1" || { wait "$1"; fail "the viewer exited with code $? (139 is a segmentation fault)" \
      "before its window appeared${3:+: $(tail -n 3 "$3" 2>&1)}"; }
    [ $(($(date +%s) - waited_from)) -lt "$2" ] || fail "no window titled '$title' within $2 s"
    sleep 0.1
  done
}

# expect_exit_zero PID SECONDS [LOG]: the viewer ends within SECONDS (of an Esc), with exit code
# 0, and its window leaves the display; else the failure says what it wrote to LOG last.
expect_exit_zero() {
  gone "$1" "$2" || fail "the viewer still runs, or its window is still there, $2 s after Esc"
  wait "$1"
  exit_code=$?
  [ $exit_code -eq 0 ] ||
    fail "the viewer exited with code $exit_code after Esc${3:+: $(tail -n 20 "$3" 2>&1)}"
}

# window_geometry: "X Y WIDTH HEIGHT" of window $wid on the screen; xwininfo's, since xdotool's is
# off by the frame for a window that a window manager has framed. On Wayland, the client's place
# as the compositor tells it (in its logical pixels), scaled to the screen's; in sway, to those of
# the shots of its output.
window_geometry() {
  if [ "$compositor_name" = sway ]; then
    set -- $(sway_view) && [ $# -eq 8 ] && echo "$5 $6 $7 $8"
    return
  fi
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

# --- A Wayland compositor on the X display, through its X11 backend, which takes its seat from X
# (a headless one has none): OSTREVANE_E2E_WM says which, weston (its desktop shell),
# weston-kiosk or sway, at OSTREVANE_E2E_SCALE. A viewer started after this is its client.
compositor_name=

# compositor_start DIR: the compositor's run-time folder and log go in DIR.
compositor_start() {
  compositor_scale=${OSTREVANE_E2E_SCALE:-1}
  XDG_RUNTIME_DIR=$1/runtime
  export XDG_RUNTIME_DIR
  mkdir -p -m 700 "$XDG_RUNTIME_DIR" || fail "cannot make the run-time folder"
  case ${OSTREVANE_E2E_WM:-weston} in
    sway) sway_start "$1" ;;
    *) weston_start "$1" ;;
  esac
  backend=wayland
}

# Weston's output covers the X screen. Clients here draw an invisible pointer (a cursor theme of
# one blank image), which weston would otherwise put in every screenshot.
weston_start() {
  XCURSOR_PATH=$1/cursors XCURSOR_THEME=blank WAYLAND_DISPLAY=ostrevane-e2e
  export XCURSOR_PATH XCURSOR_THEME WAYLAND_DISPLAY
  mkdir -p "$XCURSOR_PATH/blank/cursors" || fail "cannot make weston's folders"
  /usr/bin/python3 -c 'import struct, sys
size = 8  # pixels a side, a multiple of any scale used here
sys.stdout.buffer.write(b"Xcur" + struct.pack("<3I", 16, 0x10000, 1) +
  struct.pack("<3I", 0xfffd0002, 24, 28) +
  struct.pack("<9I", 36, 0xfffd0002, 24, 1, size, size, 0, 0, 0) + bytes(4 * size * size))' \
    >"$XCURSOR_PATH/blank/cursors/left_ptr" || fail "cannot make the blank cursor"
  # Under every name weston's shell loads: a grab whose cursor is missing ends the shell.
  for name in bottom_left_corner bottom_right_corner bottom_side grabbing left_side right_side \
    top_left_corner top_right_corner top_side xterm hand1 watch dnd-move dnd-copy dnd-none; do
    ln -s left_ptr "$XCURSOR_PATH/blank/cursors/$name" || fail "cannot name the blank cursor $name"
  done
  shell=desktop
  [ "${OSTREVANE_E2E_WM:-}" = weston-kiosk ] && shell=kiosk
  weston --backend=x11-backend.so --use-pixman --socket="$WAYLAND_DISPLAY" --idle-time=0 --debug \
    --shell=$shell-shell.so --width=$((${screen_size% *} / compositor_scale)) \
    --height=$((${screen_size#* } / compositor_scale)) --scale="$compositor_scale" \
    >"$1/weston.log" 2>&1 &
  compositor=$!
  end=$(($(date +%s) + 30))
  until [ -S "$XDG_RUNTIME_DIR/$WAYLAND_DISPLAY" ] && xdotool search --class Weston >/dev/null 2>&1
  do
    running "$compositor" || fail "weston did not start: $(tail -n 5 "$1/weston.log")"
    [ "$(date +%s)" -lt "$end" ] || fail "weston did not show its window within 30 s"
    sleep 0.2
  done
  compositor_name=weston compositor_window=$(xdotool search --class Weston | head -n 1)
  # The keyboard in weston's window once and for all: weston takes a key that comes as its window
  # gains the focus for one already held, and drops it. Weston follows X's pointer by its moves
  # alone, from wherever it first saw it: both are put in one corner, where both stop.
  xdotool windowfocus --sync "$compositor_window" \
    mousemove $((${screen_size% *} - 1)) $((${screen_size#* } - 1)) sleep 0.3 mousemove 0 0 sleep 0.3 ||
    fail "cannot focus weston's window"
  echo "weston ($shell shell) runs on $DISPLAY at scale $compositor_scale"
}

# Sway 1.10 from the Debian 13 root that cmake/sway-root.sh keeps (where none can be made the
# test is skipped, exit 77), run there as its plain user in a mount namespace of its own, where
# /proc, /dev, the X socket and the run-time folder are mounted into the root: they go with sway,
# however the script ends. The root's tools run beside it (in_sway). The viewer stays on this
# side and meets sway in DIR's run-time folder, which the root sees as /run/user/UID. Its output
# X11-1 is an X window at 0,0 of 1200x960 device pixels (OSTREVANE_SWAY_MODE); its seat is X's
# pointer and keyboard, or with OSTREVANE_E2E_SEAT=virtual none but the devices that wlrctl and
# wtype make and remove. Windows tile without borders, with gaps of 40 logical pixels: whole
# device pixels at every scale used, and a tiled window smaller than full screen.
# OSTREVANE_SWAY_CONFIG: lines added to its configuration.
sway_start() {
  sway_root=$(sh "${tests_dir:-$(dirname "$0")/..}/../cmake/sway-root.sh")
  case $? in
    0) ;;
    77) echo "$sway_root"; exit 77 ;;
    *) fail "no Debian 13 root for sway" ;;
  esac
  sway_mode=${OSTREVANE_SWAY_MODE:-1200x960}
  sway_ids=$(awk -F: '$1 == "sway" { print $3 ":" $4 }' "$sway_root/etc/passwd")
  sway_run=/run/user/${sway_ids%:*}
  chown "$sway_ids" "$XDG_RUNTIME_DIR" || fail "cannot give sway its run-time folder"
  seat=
  [ "${OSTREVANE_E2E_SEAT:-}" = virtual ] && seat="seat seat0 fallback false"
  printf '%s\n' "xwayland disable" "default_border none" "default_floating_border none" \
    "gaps inner 40" "floating_minimum_size 1 x 1" "floating_maximum_size -1 x -1" \
    "output X11-1 mode $sway_mode position 0 0 scale $compositor_scale" "$seat" \
    "${OSTREVANE_SWAY_CONFIG:-}" >"$XDG_RUNTIME_DIR/config"
  root=$sway_root run=$sway_run ids=$sway_ids unshare --mount sh -c '
    for m in proc dev dev/shm tmp/.X11-unix; do
      mkdir -p "$root/$m" && mount --bind "/$m" "$root/$m" || exit 1
    done
    mkdir -p "$root$run" && mount --bind "$XDG_RUNTIME_DIR" "$root$run" &&
      exec chroot --userspec="$ids" "$root" env -i PATH=/usr/bin:/bin HOME=/home/sway \
        DISPLAY="$DISPLAY" XDG_RUNTIME_DIR="$run" SWAYSOCK="$run/ipc" WLR_BACKENDS=x11 \
        WLR_RENDERER=pixman sway -c "$run/config"' >"$1/sway.log" 2>&1 &
  compositor=$!
  end=$(($(date +%s) + 30))
  until WAYLAND_DISPLAY=$(ls "$XDG_RUNTIME_DIR" | grep -m 1 '^wayland-[0-9]*$') &&
    compositor_window=$(root_windows | awk -v mode="$sway_mode+0+0" '$2 == mode { print $1 }') &&
    [ -n "$compositor_window" ] && in_sway swaymsg -t get_outputs >/dev/null 2>&1
  do
    running "$compositor" || fail "sway did not start: $(tail -n 5 "$1/sway.log")"
    [ "$(date +%s)" -lt "$end" ] || fail "sway did not show its output of $sway_mode within 30 s"
    sleep 0.2
  done
  export WAYLAND_DISPLAY
  compositor_name=sway
  xdotool windowfocus --sync "$compositor_window" || fail "cannot focus sway's window"
  echo "sway $(in_sway sway --version | cut -d' ' -f3) runs on $DISPLAY at scale $compositor_scale"
}

# root_windows: "ID WxH+X+Y" of each window on the X screen: sway's outputs, which have no name.
root_windows() {
  xwininfo -root -children | awk '$1 ~ /^0x/ { print $1, $(NF - 1) }'
}

# in_sway COMMAND...: a program of sway's root, as sway's user, beside the running sway.
in_sway() {
  nsenter -t "$compositor" -m chroot --userspec="$sway_ids" "$sway_root" env -i PATH=/usr/bin:/bin \
    HOME=/home/sway XDG_RUNTIME_DIR="$sway_run" WAYLAND_DISPLAY="$WAYLAND_DISPLAY" \
    SWAYSOCK="$sway_run/ipc" "$@"
}

# sway_view: "OUTPUT SCALE MODE_WIDTH MODE_HEIGHT X Y WIDTH HEIGHT" of the viewer's window ($pid)
# as sway places it, in the device pixels of its output, where grim's shot of that output at its
# scale has them.
sway_view() {
  tree=$(in_sway swaymsg -r -t get_tree) && outputs=$(in_sway swaymsg -r -t get_outputs) &&
    /usr/bin/python3 -c 'import json, sys
pid, tree, outputs = int(sys.argv[1]), json.loads(sys.argv[2]), json.loads(sys.argv[3])
def views(node, output):
    output = node["name"] if node["type"] == "output" else output
    if node.get("pid") == pid:
        yield node, output
    for child in node["nodes"] + node["floating_nodes"]:
        yield from views(child, output)
for view, name in views(tree, None):
    o = next(o for o in outputs if o["name"] == name)
    s, r, w = o["scale"], view["rect"], view["window_rect"]
    place = (r["x"] + w["x"] - o["rect"]["x"], r["y"] + w["y"] - o["rect"]["y"], w["width"], w["height"])
    print(name, s, o["current_mode"]["width"], o["current_mode"]["height"],
          *(int(v * s + 0.5) for v in place))
    break' "$pid" "$tree" "$outputs"
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

# shoot NAME: a screenshot as $work/NAME.ppm; in sway, by grim, of the output that the viewer's
# window is on, at that output's scale: its device pixels.
shoot() {
  if [ "$compositor_name" = sway ]; then
    shot=$work/$1.ppm
    set -- $(sway_view)
    [ -n "${2:-}" ] && in_sway grim -o "$1" -s "$2" -t ppm - >"$shot" || fail "grim's shot failed"
  elif [ "$backend" = browser ]; then
    agent shot "$work/$1.png"
    convert "$work/$1.png" -depth 8 "$work/$1.ppm" || fail "cannot convert screenshot $1"
  else
    import -window root -depth 8 "$work/$1.ppm" || fail "screenshot $1 failed"
  fi
}

# pointer X Y: moves the pointer there, or as near as the backend goes; at_x, at_y: where. On a
# seat of virtual devices, by wlrctl's relative moves (each a pointer made and removed) in sway's
# logical pixels, from the top left corner, where a first move far beyond it put the cursor.
cursor_at=
pointer() {
  at_x=$1 at_y=$2
  if [ "${OSTREVANE_E2E_SEAT:-}" = virtual ]; then
    [ -n "$cursor_at" ] || { in_sway wlrctl pointer move -100000 -100000 && cursor_at="0 0"; } ||
      fail "wlrctl cannot move the pointer"
    set -- $(echo "$1 $2 $cursor_at $compositor_scale" |
      awk '{ dx = ($1 - $3) / $5; dy = ($2 - $4) / $5 } dx == int(dx) && dy == int(dy) { print dx, dy }')
    [ -n "${2:-}" ] || fail "$at_x,$at_y is no whole logical pixel at scale $compositor_scale"
    in_sway wlrctl pointer move "$1" "$2" || fail "wlrctl pointer move $1 $2"
    cursor_at="$at_x $at_y"
  elif [ "$backend" = browser ]; then
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

# keys KEY...: X's key names (F5, F11, Escape, KP_Add, KP_Subtract, plus, minus). On a seat of
# virtual devices, each typed by a wtype of its own, whose keyboard has a keymap of its own and
# lives a second before it types: time for a client to take the keyboard that the seat gains.
keys() {
  if [ "${OSTREVANE_E2E_SEAT:-}" = virtual ]; then
    for k in "$@"; do in_sway wtype -s 1000 -k "$k" || fail "wtype -k $k"; done
  elif [ "$backend" = browser ]; then
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
      [ "$full" = "0 0 $(output_size)" ] && return 0
    fi
    [ "$(date +%s)" -lt "$end" ] || fail "full screen: the client is $full"
    sleep 0.2
  done
}
screen_size=${OSTREVANE_XVFB_SCREEN:-1280x1024x24}
screen_size=$(echo "${screen_size%x*}" | tr x ' ')

# output_size: "WIDTH HEIGHT" of the screen the viewer's window is on, in the shots' pixels.
output_size() {
  if [ "$compositor_name" = sway ]; then
    set -- $(sway_view) && [ $# -eq 8 ] && echo "$3 $4"
  else
    echo "$screen_size"
  fi
}

# close_box, maximize_box: a click on that box of the title bar libdecor draws on weston, at its
# right end, the boxes 32 logical pixels wide.
close_box() {
  set -- $(window_geometry)
  xdotool mousemove $(($1 + $3 - 8 * compositor_scale)) $(($2 - 6 * compositor_scale)) click 1
}
maximize_box() {
  set -- $(window_geometry)
  xdotool mousemove $(($1 + $3 - 48 * compositor_scale)) $(($2 - 6 * compositor_scale)) click 1
}

# viewer_end [close]: Esc (or the close box), and the viewer must end with exit code 0, its
# window gone.
viewer_end() {
  if [ "${1:-}" = close ]; then close_box; else keys Escape; fi
  if [ "$backend" = browser ]; then
    agent exitcode
    [ "$answer" = 0 ] || fail "the page says the program ended with code $answer, not 0"
  else
    expect_exit_zero "$pid" 10 "$work/viewer.log"
  fi
  pid=
}
