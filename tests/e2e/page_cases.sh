#!/bin/sh
# page_cases.sh SITE CHECKER: the page in headless Chromium where something is missing, on a phone
# and updated, judged by the screen checker:
# - without WebAssembly, or without its SIMD, the page says what it needs in plain words;
# - without the Fullscreen API (an iPhone's), or with one that refuses, F11 keeps the program going
#   at the page's size, F5 is exact, and every other F11 asks the browser again;
# - on a phone (touch, the key strip, three device pixels a CSS pixel, a viewport of 390 x 844
#   whose room above the strip is not whole device pixels), the screen shows the client pixel for
#   pixel, before F11 and after F11 twice (F5 drawing the picture for each size);
# - the site updated, its service worker deletes its own older caches and no other site's.
set -u
site=$1 checker=$2
. "$(dirname "$0")/../viewer-window.sh"
backend=browser
work=$(mktemp -d)
trap 'agent_stop; rm -rf "$work"' EXIT

for case in "wasm:needs WebAssembly, which" "simd:needs WebAssembly SIMD, which"; do
  agent_start "$site" "$work" --without "${case%%:*}"
  agent message
  echo "without ${case%%:*}: $answer"
  case $answer in *"${case#*:}"*) ;; *) fail "the page does not say what it needs" ;; esac
  agent_stop
done

# exact NAME: within 15 s, the canvas as the screen shows it is the start view's picture at the
# client's size; `client` is "W H".
exact() {
  name=$1
  agent size
  set -- $answer
  client="$1 $2"
  end=$(($(date +%s) + 15))
  until shoot "$name" && "$checker" locate "$work/$name.ppm" 0 0 $client >"$work/out" &&
    "$checker" fractal "$work/$name.ppm" 0 0 $client 1.0 >"$work/out"; do
    [ "$(date +%s)" -lt "$end" ] || { cat "$work/out"; fail "$name: not the start view at $client"; }
    sleep 0.3
  done
  echo "  $name, client $client: $(tail -n 1 "$work/out")"
}

# The refusing API counts the requests it refuses.
for lack in fullscreen fullscreen-consent; do
  echo "without $lack: F11, F5, three times"
  agent_start "$site" "$work" --without $lack
  agent open
  exact first
  first=$client
  for press in 1 2 3; do
    keys F11 F5
    exact "$lack-$press"
    [ "$client" = "$first" ] || fail "F11 changed the client from $first to $client"
  done
  agent message
  [ "$answer" = "(none)" ] || fail "the page says: $answer"
  viewer_end
  agent_stop
done

echo "a phone: 390 x 844 CSS pixels, three device pixels each, the key strip"
agent_start "$site" "$work" --phone --touch --scale 3 --window 390x844
agent open
agent size
echo "  canvas, screen, full screen, ratio, keys, CSS size, room: $answer"
set -- $answer
[ "$7" = 1 ] || fail "no key strip on the phone"
echo "${10}" | awk '{ d = $1 * 3; exit (d == int(d)) }' || fail "the room is whole device pixels: ${10}"
exact phone-before
before=$client
keys F11
full_screen 10
keys F5
exact phone-full
# F5 only once the page has left full screen and given the client back: a redraw before that
# resize would be at the full screen's size, kept after it.
keys F11
end=$(($(date +%s) + 10))
until agent size && set -- $answer && [ "$5 $1 $2" = "0 $before" ]; do
  [ "$(date +%s)" -lt "$end" ] || fail "after F11 twice: canvas, full screen: $1 $2, $5"
  sleep 0.2
done
keys F5
exact phone-after
[ "$client" = "$before" ] || fail "after F11 twice the client is $client, not $before"
agent_stop

echo "a site updated, beside another site's cache and one of an older Ostrevane"
cp -R "$site" "$work/site"
agent_start "$work/site" "$work"
agent open
agent caches another-site ostrevane-0123456789abcdef
echo "  before: $answer"
old=$(echo "$answer" | tr '|' '\n' | grep "ostrevane http" | sed 's/^ *//; s/ *$//')
[ -n "$old" ] || fail "no cache of this site's"
sed -i 's/^const CACHE = .*/const CACHE = `${OURS}updated`;/' "$work/site/sw.js"
agent open
# The new worker makes its cache as it installs and deletes the older ones as it activates, a
# second or more later (seen: 1.0 to 1.1 s in Chromium 150 and 156).
end=$(($(date +%s) + 15))
until agent caches &&
  case $answer in *"$old"* | *ostrevane-0123456789abcdef*) false ;; *updated*) ;; *) false ;; esac
do
  [ "$(date +%s)" -lt "$end" ] || fail "the updated site's worker left older caches or made none: $answer"
  sleep 0.3
done
echo "  after: $answer"
case " | $answer | " in *" | another-site | "*) ;; *) fail "another site's cache was deleted" ;; esac
agent_stop
echo "PASS"
