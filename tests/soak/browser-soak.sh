#!/bin/sh
# browser-soak.sh SITE EVENTS [SEED]
# The page in headless Chromium given EVENTS seeded random events of its own (moves far outside,
# buttons, fingers, wheels of any size, unknown keys, a canvas of 0 x 0 and 1 x 1) with the tab
# hidden and shown every thousand; then Esc. Passes when the program lived through them all, its
# memory stayed as it was after the first thousand, the page logged no error, the canvas changed,
# and Esc ended the program with code 0.
set -u
site=$1 events=$2 seed=${3:-20261208}
. "$(dirname "$0")/../viewer-window.sh"
backend=browser
work=$(mktemp -d)
trap 'agent_stop; rm -rf "$work"' EXIT

viewer_start "$site"
shoot before
agent storm 1000 "$seed"
agent memory
warm=$answer
agent storm $((events - 1000)) $((seed + 1000))
kinds=$answer
agent memory
[ "$answer" = "$warm" ] || fail "the program's memory went from $warm to $answer bytes"
[ "$answer" != 0 ] || fail "the program ended during the events"
agent health
[ "$answer" = "0 0" ] || fail "failed requests, console errors: $answer"
shoot after
changed=$(compare -metric AE "$work/before.ppm" "$work/after.ppm" null: 2>&1 | cut -d' ' -f1)
[ "${changed:-0}" != 0 ] || fail "the canvas did not change: did the events reach the program?"
viewer_end
echo "soak: $events events ($kinds), memory $warm bytes throughout, $changed pixels changed, then Esc: exit code 0"
