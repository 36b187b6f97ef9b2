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

first=$kind
work=$(mktemp -d)
pid=
cleanup() {
  agent_stop
  viewer_stop
  if [ -n "${OSTREVANE_E2E_KEEP:-}" ]; then echo "screenshots kept in $work"; else rm -rf "$work"; fi
}
trap cleanup EXIT
trap 'exit 1' INT TERM HUP

# check ARGS...: the checker on screenshots in the work folder, under Wine when it is the exe's;
# what it says in $work/out.
check() {
  if [ "$first" = exe ]; then
    (cd "$work" && "$wine_run" "$WINEPREFIX" "$checker" "$@") >"$work/out.raw" 2>&1
  else
    (cd "$work" && "$checker" "$@") >"$work/out.raw" 2>&1
  fi
  rc=$?
  tr -d '\r' <"$work/out.raw" >"$work/out"
  return $rc
}

# step N "X Y W H" "CHECK ARGS"...: screenshots the screen until every check holds on it (each
# given the shot's name first), for 15 s at most, and keeps that part of it as KIND-N.ppm. A
# window shows before its first paint, and a key's picture comes some frames after the key.
step() {
  n=$1 part=$2
  shift 2
  end=$(($(date +%s) + 15))
  until shoot "$kind-$n" && holds "$kind-$n.ppm" "$@"; do
    [ "$(date +%s)" -lt "$end" ] || { cat "$work/out"; fail "$kind, step $n: not shown within 15 s: $*"; }
    sleep 0.3
  done
  [ "$backend" = browser ] || [ "$n" = 0 ] ||
    convert "$work/$kind-$n.ppm" -crop "$(echo "$part" | awk '{ print $3 "x" $4 "+" $1 "+" $2 }')" \
      +repage "$work/$kind-$n.ppm" || fail "cannot crop $kind-$n"
}

holds() {
  shot=$1
  shift
  for c in "$@"; do
    set -- $c
    what=$1
    shift
    check "$what" "$shot" "$@" || return 1
  done
}

# back_to "X Y W H": waits until the viewer's window has that geometry again.
back_to() {
  end=$(($(date +%s) + 10))
  until [ "$(viewer_geometry)" = "$1" ]; do
    [ "$(date +%s)" -lt "$end" ] || fail "$kind: the window is $(viewer_geometry), not $1"
    sleep 0.2
  done
}

# drive KIND: starts one viewer and takes it through the steps, each kept as KIND-N.ppm.
drive() {
  kind=$1
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
    step 0 "$*" "locate $*"
    set -- $(grep '^CLIENT' "$work/out")
    shift
    size="$3 $4"
  elif [ "$kind" = page ]; then
    size="$3 $4"
  else
    resize_client $size
    end=$(($(date +%s) + 10))
    until [ "$(window_geometry | cut -d' ' -f3-)" = "$size" ]; do
      [ "$(date +%s)" -lt "$end" ] || fail "native: not resized to $size"
      sleep 0.2
    done
    set -- $(window_geometry)
  fi
  window=$(viewer_geometry)
  cx=$1 cy=$2 cw=$3 ch=$4
  client="$1 $2 $3 $4"
  echo "$kind: client $cx,$cy ${cw}x$ch"
  # The first picture each rendered was of its own first size: a full-screen one covers it.
  keys F11
  full_screen 10
  keys F5
  step 0 "$full" "fractal $full 1.0"
  keys F11
  back_to "$window"
  pointer $((cx + cw / 4)) $((cy + ch / 3))
  sx=$((at_x - cx)) sy=$((at_y - cy))
  [ "$backend" = browser ] || xdotool mousemove --sync $at_x $at_y
  keys F5
  step 1 "$client" "fractal $client 1.0" "orbit $client 1.0 $sx $sy 200 0"
  wheel away
  step 2 "$client" "rings $client 1.06" "orbit $client 1.06 $sx $sy 200 0"
  keys F5
  step 3 "$client" "fractal $client 1.06"
  right_click
  step 4 "$client" "orbit $client 1.06 $sx $sy 200 1"
  drag_to $((cx + sx)) $((cy + ch / 5 * 2))
  long=$((4 * (at_y - cy)))
  pointer $((cx + sx + 40)) $((cy + sy - 30))
  sx=$((at_x - cx)) sy=$((at_y - cy))
  step 5 "$client" "orbit $client 1.06 $sx $sy $long 1"
  # 1.06, then two steps in and one out: 1.0 again, as after the first.
  keys KP_Add KP_Add minus
  step 6 "$client" "rings $client 1.0" "orbit $client 1.0 $sx $sy $long 1"
  keys F11
  full_screen 10
  # The pointer where it was: headless Chromium 150 moved its own to the screen's corner as the
  # page went full screen, a move that no X pointer makes.
  pointer $at_x $at_y
  step 7 "$full" "locate $full" "rings $full 1.0"
  keys F5
  step 8 "$full" "fractal $full 1.0"
  keys F11
  back_to "$window"
  step 9 "$client" "rings $client 1.0" "orbit $client 1.0 $sx $sy $long 1"
  viewer_end
  agent_stop
}

drive $first
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
