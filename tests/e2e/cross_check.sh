#!/bin/sh
# cross_check.sh NATIVE_VIEWER OTHER CHECKER_EXE
# The same input, one step at a time, to another build and to the native viewer, the native
# window sized to the other's client area: the two client areas must be the same pixels after
# every step. OTHER is the Windows exe, run under Wine and driven with X input, or the web build's
# site, driven in headless Chromium (whose full screen is then the X screen's size). Skipped (77)
# when there is no native viewer.
# Environment: DISPLAY (a bare X server of 1280x1024), and for the exe WINEPREFIX and
# OSTREVANE_WINE_RUN; OSTREVANE_E2E_KEEP=1 keeps the screenshots.
set -u
native=$1 other=$2 checker=$3
. "$(dirname "$0")/../viewer-window.sh"
[ -x "$native" ] || { echo "no native viewer at $native: skipped"; exit 77; }
[ -n "${DISPLAY:-}" ] || fail "no X display"
if [ -d "$other" ]; then
  kind=page
  # The page's full screen is the browser's screen: the X screen's size.
  OSTREVANE_E2E_BROWSER_OPTIONS="--screen ${screen_size% *}x${screen_size#* }"
else
  kind=exe
  wine_run=${OSTREVANE_WINE_RUN:?}
fi

work=$(mktemp -d)
pid=
cleanup() {
  agent_stop
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
    shoot poll
    [ "$backend" = browser ] || convert "$work/poll.ppm" -crop "$3x$4+$1+$2" +repage "$work/poll.ppm"
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
  backend=x
  case $kind in
    exe) wine=$wine_run; viewer_start "$other" ;;
    page) backend=browser; viewer_start "$other" ;;
    native) wine=; viewer_start "$native" ;;
  esac
  set -- $(viewer_geometry)
  [ $# -eq 4 ] || fail "$kind: no geometry for its window"
  if [ "$kind" = exe ]; then
    # Wine draws the frame itself inside its X window: the client is found from the axes.
    shoot exe-window
    (cd "$work" && "$wine_run" "$WINEPREFIX" "$checker" locate exe-window.ppm "$@") |
      tr -d '\r' >"$work/locate" || { cat "$work/locate"; fail "no client found"; }
    set -- $(grep '^CLIENT' "$work/locate")
    shift
    size="$3 $4"
  elif [ "$kind" = page ]; then
    size="$3 $4"
  else
    resize_client $size
    until [ "$(window_geometry | cut -d' ' -f3-)" = "$size" ]; do sleep 0.2; done
    set -- $(window_geometry)
  fi
  cx=$1 cy=$2 cw=$3 ch=$4
  echo "$kind: client $cx,$cy ${cw}x$ch"
  # The first picture each rendered was of its own first size: a full-screen one covers it, once
  # the client is full screen (a browser takes a while, longer on a busy machine).
  keys F11
  full_screen 10
  keys F5
  sleep 1
  keys F11
  pointer $((cx + cw / 4)) $((cy + ch / 3))
  seed_x=$at_x seed_y=$at_y
  [ "$backend" = browser ] || xdotool mousemove --sync $seed_x $seed_y
  keys F5
  settle "$kind-1" $cx $cy $cw $ch
  wheel away
  settle "$kind-2" $cx $cy $cw $ch
  keys F5
  settle "$kind-3" $cx $cy $cw $ch
  right_click
  settle "$kind-4" $cx $cy $cw $ch
  drag_to $seed_x $((cy + ch / 5 * 2))
  pointer $((seed_x + 40)) $((seed_y - 30))
  settle "$kind-5" $cx $cy $cw $ch
  keys KP_Add KP_Add minus
  settle "$kind-6" $cx $cy $cw $ch
  keys F11
  full_screen 10
  # The pointer where it was: headless Chromium 150 moved its own to the screen's corner as the
  # page went full screen, a move that no X pointer makes.
  pointer $at_x $at_y
  settle "$kind-7" $full
  keys F5
  settle "$kind-8" $full
  keys F11
  settle "$kind-9" $cx $cy $cw $ch
  viewer_end
  agent_stop
}

drive $kind
first=$kind
drive native
steps=0 same=0
for n in 1 2 3 4 5 6 7 8 9; do
  differing=$(compare -metric AE "$work/$first-$n.ppm" "$work/native-$n.ppm" null: 2>&1)
  pixels=$(identify -format '%w x %h' "$work/$first-$n.ppm")
  echo "step $n: $pixels client, $differing pixels differ"
  steps=$((steps + 1))
  [ "$differing" = 0 ] && same=$((same + 1))
done
[ "$same" -eq "$steps" ] || fail "the native viewer and the $first differ at $((steps - same)) of $steps steps"
echo "PASS"
