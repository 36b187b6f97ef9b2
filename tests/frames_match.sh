#!/bin/sh
# frames_match.sh NATIVE_FRAME_DUMP WINDOWS_FRAME_DUMP [EMULATOR...]: the program's whole frames,
# painted with our layer (the native build) and with the real GDI32 (a Windows build, run with
# the given emulator), hash for hash. Skipped (77) when there is no native build.
native=$1 windows=$2
shift 2
[ -x "$native" ] || { echo "no native frame dump at $native: skipped"; exit 77; }
out=$(mktemp -d) || exit 1
trap 'rm -rf "$out"' EXIT
"$native" >"$out/native" || { cat "$out/native"; echo "FAIL the native frame dump failed"; exit 1; }
"$@" "$windows" | tr -d '\r' >"$out/windows" || { cat "$out/windows"; echo "FAIL the Windows frame dump failed"; exit 1; }
paste "$out/native" "$out/windows" | awk '{ s = ($2 == $4) ? "same" : "DIFFERENT"; print s, $1, $2, $4 }'
frames=$(wc -l <"$out/native")
[ "$frames" -gt 0 ] && cmp -s "$out/native" "$out/windows" && echo "$frames frames the same" && exit 0
echo "FAIL the frames differ"
exit 1
