#!/bin/sh
# cross_check.sh NATIVE_VIEWER WINDOWS_EXE CHECKER_EXE
# The same X input, one step at a time, to the Windows exe under Wine and to the native viewer,
# the native window sized to the exe's client area: the two client areas must be the same pixels
# after every step. Skipped (77) when there is no native viewer.
# Environment: DISPLAY (a bare X server of 1280x1024), WINEPREFIX, OSTREVANE_WINE_RUN;
# OSTREVANE_E2E_KEEP=1 keeps the screenshots.
set -u
native=$1 exe=$2 checker=$3
. "$(dirname "$0")/../viewer-window.sh"
[ -x "$native" ] || { echo "no native viewer at $native: skipped"; exit 77; }
[ -n "${DISPLAY:-}" ] || fail "no X display"
wine_run=${OSTREVANE_WINE_RUN:?}

work=$(mktemp -d)
pid=
cleanup() {
  [ -z "$pid" ] || { kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null; }
  if [ -n "${OSTREVANE_E2E_KEEP:-}" ]; then echo "screenshots kept in $work"; else rm -rf "$work"; fi
}
trap cleanup EXIT
trap 'exit 1' INT TERM HUP

# settle NAME X Y W H: waits until that part of the screen has stopped changing and differs from
# the last step's, and keeps it as NAME.ppm.
last=
settle() {
  name=$1
  shift
  end=$(($(date +%s) + 15))
  previous=
  while :; do
    import -window root -depth 8 -crop "$3x$4+$1+$2" +repage "$work/poll.ppm" ||
      fail "screenshot failed"
    if [ -n "$previous" ] && cmp -s "$work/poll.ppm" "$work/previous.ppm" &&
      { [ -z "$last" ] || ! cmp -s "$work/poll.ppm" "$last"; }; then
      mv "$work/poll.ppm" "$work/$name.ppm"
      last=$work/$name.ppm
      return 0
    fi
    [ "$(date +%s)" -lt "$end" ] || fail "$name: the window did not settle on a new picture"
    mv "$work/poll.ppm" "$work/previous.ppm"
    previous=1
    sleep 0.3
  done
}

# drive KIND: starts one viewer and takes it through the steps, each kept as KIND-N.ppm.
drive() {
  kind=$1
  last=
  xdotool keyup Escape F11 2>/dev/null
  no_window_left 10
  if [ "$kind" = exe ]; then
    "$wine_run" "$WINEPREFIX" "$exe" >"$work/$kind.log" 2>&1 &
  else
    "$native" >"$work/$kind.log" 2>&1 &
  fi
  pid=$!
  wait_for_window "$pid" 60
  set -- $(window_geometry)
  [ $# -eq 4 ] || fail "$kind: no geometry for window $wid"
  if [ "$kind" = exe ]; then
    # Wine draws the frame itself inside its X window: the client is found from the axes.
    import -window root -depth 8 "$work/exe-window.ppm"
    (cd "$work" && "$wine_run" "$WINEPREFIX" "$checker" locate exe-window.ppm "$@") |
      tr -d '\r' >"$work/locate" || { cat "$work/locate"; fail "no client found"; }
    set -- $(grep '^CLIENT' "$work/locate")
    shift
    size="$3 $4"
  else
    xdotool windowsize "$wid" $size
    until [ "$(window_geometry | cut -d' ' -f3-)" = "$size" ]; do sleep 0.2; done
    set -- $(window_geometry)
  fi
  cx=$1 cy=$2 cw=$3 ch=$4
  echo "$kind: client $cx,$cy ${cw}x$ch"
  # The first picture each rendered was of its own first size: a full-screen one covers it.
  focus
  xdotool key F11
  sleep 1
  focus
  xdotool key F5 F11
  seed_x=$((cx + cw / 4)) seed_y=$((cy + ch / 3))
  xdotool mousemove --sync $seed_x $seed_y
  focus
  xdotool key F5
  settle "$kind-1" $cx $cy $cw $ch
  xdotool click 4
  settle "$kind-2" $cx $cy $cw $ch
  focus
  xdotool key F5
  settle "$kind-3" $cx $cy $cw $ch
  xdotool click 3
  settle "$kind-4" $cx $cy $cw $ch
  xdotool mousedown 1 mousemove --sync $seed_x $((cy + ch * 2 / 5)) mouseup 1
  xdotool mousemove --sync $((seed_x + 40)) $((seed_y - 30))
  settle "$kind-5" $cx $cy $cw $ch
  focus
  xdotool key KP_Add KP_Add minus
  settle "$kind-6" $cx $cy $cw $ch
  xdotool key F11
  settle "$kind-7" 0 0 1280 1024
  focus
  xdotool key F5
  settle "$kind-8" 0 0 1280 1024
  focus
  xdotool key F11
  settle "$kind-9" $cx $cy $cw $ch
  focus
  xdotool key Escape
  expect_exit_zero "$pid" 10
  pid=
}

drive exe
drive native
steps=0 same=0
for n in 1 2 3 4 5 6 7 8 9; do
  differing=$(compare -metric AE "$work/exe-$n.ppm" "$work/native-$n.ppm" null: 2>&1)
  pixels=$(identify -format '%w x %h' "$work/exe-$n.ppm")
  echo "step $n: $pixels client, $differing pixels differ"
  steps=$((steps + 1))
  [ "$differing" = 0 ] && same=$((same + 1))
done
[ "$same" -eq "$steps" ] || fail "the native viewer and the exe differ at $((steps - same)) of $steps steps"
echo "PASS"
