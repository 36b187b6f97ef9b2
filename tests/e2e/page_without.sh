#!/bin/sh
# page_without.sh SITE: in a browser without WebAssembly, or whose WebAssembly lacks SIMD, the page
# says what it needs in plain words rather than staying blank.
set -u
site=$1
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
echo "PASS"
