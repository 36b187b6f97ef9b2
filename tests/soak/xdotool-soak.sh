#!/bin/sh
# xdotool-soak.sh WINE_RUN PREFIX EXE EVENTS [SEED]
# Starts the viewer under Wine (or, with WINE_RUN and PREFIX given as -, the native viewer EXE as
# it is) on $DISPLAY and feeds it EVENTS seeded random real X events
# (pointer moves, left drags, wheel turns, right clicks, F5, F11, plus and minus on both
# keyboards), then Esc. Passes when the viewer lived through them all and then exited with code 0
# within 5 seconds of the Esc.
set -u
wine_run=$1 prefix=$2 exe=$3 events=$4 seed=${5:-20261208}
batch=100
. "$(dirname "$0")/../viewer-window.sh"

[ -n "${DISPLAY:-}" ] || { echo "soak: no DISPLAY" >&2; exit 2; }
work=$(mktemp -d)
pid=
trap 'viewer_stop; rm -rf "$work"' EXIT

# Park the pointer away from where the window will appear. An Esc that ended an earlier viewer
# can stay down in the X server and end this one at once: it is released first.
xdotool mousemove 1 1
xdotool keyup Escape F11 2>/dev/null
if [ "$wine_run" = - ]; then
  "$exe" >"$work/out" 2>&1 &
else
  "$wine_run" "$prefix" "$exe" >"$work/out" 2>&1 &
fi
pid=$!

alive() { running "$pid"; }
fail() {
  echo "soak: FAILED: $*" >&2
  exit 1
}

wait_for_window "$pid" 60
window=$wid

# The region the pointer may use: inside the windowed client area, clear of Wine's own frame,
# title bar and buttons (a click there could move or close the window). The full-screen window
# covers it too.
eval "$(xdotool getdisplaygeometry --shell)"
screen_w=$WIDTH screen_h=$HEIGHT
region() {
  eval "$(xdotool getwindowgeometry --shell "$window")"
  if [ "$WIDTH" -ge "$screen_w" ] && [ "$HEIGHT" -ge "$screen_h" ] && [ -n "${rx0:-}" ]; then
    return  # full screen: keep to the windowed region, which it covers
  fi
  rx0=$((X + 12)); ry0=$((Y + 40)); rx1=$((X + WIDTH - 12)); ry1=$((Y + HEIGHT - 12))
  [ $rx1 -gt $rx0 ] && [ $ry1 -gt $ry0 ] || fail "window too small: ${WIDTH}x${HEIGHT}"
}
region

# Busy while its CPU time still grows: wait for the viewer to catch up with its input.
settle() {
  last=-1; n=0
  while [ $n -lt 300 ]; do
    now=$(awk '{print $14 + $15}' "/proc/$pid/stat" 2>/dev/null) || return
    [ "$now" = "$last" ] && return
    last=$now; n=$((n + 1)); sleep 0.3
  done
}

# The screen before and after: unchanged would mean the input never reached the viewer.
import -window root "$work/before.png" 2>/dev/null
sent=0
while [ $sent -lt "$events" ]; do
  alive || fail "the viewer died after $sent events"
  xdotool windowfocus --sync "$window" 2>/dev/null || fail "cannot focus the window after $sent events"
  n=$((events - sent)); [ $n -gt $batch ] && n=$batch
  # One xdotool call per batch; F11 ends a batch, so the next one starts from a settled window.
  awk -v seed=$((seed + sent)) -v n=$n -v x0=$rx0 -v y0=$ry0 -v x1=$rx1 -v y1=$ry1 '
    function px() { return x0 + int(rand() * (x1 - x0)) }
    function py() { return y0 + int(rand() * (y1 - y0)) }
    BEGIN {
      srand(seed)
      keys[0] = "plus"; keys[1] = "minus"; keys[2] = "KP_Add"; keys[3] = "KP_Subtract"
      for (i = 0; i < n; i++) {
        r = rand()
        if (r < 0.30)      { cmd = cmd " mousemove " px() " " py(); kind["move"]++ }
        else if (r < 0.40) { cmd = cmd " mousemove " px() " " py() " mousedown 1 mousemove " px() " " py() " mouseup 1"; kind["drag"]++ }
        else if (r < 0.60) { cmd = cmd " click " (rand() < 0.5 ? 4 : 5); kind["wheel"]++ }
        else if (r < 0.68) { cmd = cmd " click 3"; kind["right"]++ }
        else if (r < 0.70) { cmd = cmd " key F5"; kind["F5"]++ }
        else if (r < 0.71) { cmd = cmd " key F11"; kind["F11"]++; i++; break }
        else               { cmd = cmd " key " keys[int(rand() * 4)]; kind["key"]++ }
      }
      print i > "/dev/stderr"
      print cmd
      for (k in kind) print k, kind[k] >> "'"$work/kinds"'"
    }' >"$work/cmd" 2>"$work/count"
  # shellcheck disable=SC2046
  xdotool $(cat "$work/cmd") || fail "xdotool failed after $sent events"
  sent=$((sent + $(cat "$work/count")))
  if grep -q "F11" "$work/cmd"; then sleep 0.3; settle; region; fi
done

settle
alive || fail "the viewer died after $sent events"
import -window root "$work/after.png" 2>/dev/null
changed=$(compare -metric AE "$work/before.png" "$work/after.png" null: 2>&1 | cut -d' ' -f1)
[ "${changed:-0}" != 0 ] || fail "the screen did not change: did the events reach the viewer?"
xdotool windowfocus --sync "$window" 2>/dev/null
xdotool key Escape
escaped=$(date +%s)
gone "$pid" 5 || fail "the viewer did not end within 5 s of Esc"
wait "$pid"; rc=$?
pid=
summary=$(awk '{s[$1] += $2} END {for (k in s) printf " %s %d", k, s[k]}' "$work/kinds")
echo "soak: $sent events (${summary# }), $changed pixels changed, then Esc: exit code $rc after $(($(date +%s) - escaped)) s"
[ $rc -eq 0 ] || fail "exit code $rc"
