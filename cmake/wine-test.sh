#!/bin/sh
# wine-test PREFIX program.exe [args...]
# How CTest runs a test program: through cmake/wine-run.sh. Wine has been seen, once in a clean
# make test, to fail a start: the program exited at once with an error status and printed
# nothing. A test program prints before it can fail, so only such a start is tried once more,
# and the log says so; a program that fails the same way twice fails.
out=$(mktemp) || exit 1
trap 'rm -f "$out"' EXIT
for attempt in 1 2; do
  started=$(date +%s)
  # A file, not a pipe: Wine's helper processes could hold a pipe open after the program ends.
  "$(dirname "$0")/wine-run.sh" "$@" >"$out" 2>&1
  rc=$?
  cat "$out"
  if [ "$rc" -eq 0 ] || [ -s "$out" ] || [ $(($(date +%s) - started)) -gt 2 ] ||
    [ "$attempt" -eq 2 ]; then
    exit "$rc"
  fi
  echo "wine-test: $2 exited with status $rc at once and printed nothing; starting it again" >&2
done
