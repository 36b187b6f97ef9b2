#!/bin/sh
# serve-site.sh SITE PORT: serves the web build's site on this machine until Ctrl+C. Any static
# server would do; this one is Python's, which gives .wasm files the type browsers compile from.
site=$1 port=$2
[ -f "$site/index.html" ] || { echo "make run-web: no site at $site" >&2; exit 1; }
echo "Ostrevane: open http://localhost:$port/ in a browser (Ctrl+C stops the server)"
exec /usr/bin/python3 -m http.server "$port" --bind 127.0.0.1 --directory "$site"
