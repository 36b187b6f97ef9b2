#!/bin/sh
# dist_check.sh SOURCE_DIR WORK_DIR
# make dist twice: once from the source tree, once later from a copy of it elsewhere (no git, a
# VERSION file, another umask and time zone). The two zips must be the same to the byte, and the
# two .debs of each architecture; the amd64 and arm64 ones hold the same files but the program.
# Then the exe from the unpacked zip must open its window under Wine and end with code
# 0 on Esc.
# Environment: DISPLAY (an X server, as cmake/with-xvfb.sh starts), WINEPREFIX.
set -u
src=$(cd "$1" && pwd)
work=$2
prefix=${WINEPREFIX:?}
. "$(dirname "$0")/../viewer-window.sh"
[ -n "${DISPLAY:-}" ] || fail "no X display; run the tests inside cmake/with-xvfb.sh"

rm -rf "$work"
mkdir -p "$work/a" "$work/b/elsewhere/ostrevane-source"

echo "build a: $src at $(date -u +%T)"
"$src/cmake/make-dist.sh" "$work/a/build" "$work/a/dist" >"$work/a/log" 2>&1 ||
  { tail -n 20 "$work/a/log"; fail "make dist in $src failed"; }

# The copy holds what git would put in a commit, or the whole tree less its outputs.
copy=$work/b/elsewhere/ostrevane-source
if [ -e "$src/.git" ]; then
  (cd "$src" && git ls-files -z --cached --others --exclude-standard | tar -cf - --null -T -)
else
  (cd "$src" && tar -cf - --exclude=./build --exclude=./dist .)
fi | tar -xf - -C "$copy" || fail "cannot copy the source tree"
version=$(cmake -P "$src/cmake/source-version.cmake") || fail "no version for $src"
echo "$version" >"$copy/VERSION"
epoch=${SOURCE_DATE_EPOCH:-$(git -C "$src" log -1 --format=%ct 2>/dev/null || stat -c %Y "$src/VERSION")}

echo "build b: $copy at $(date -u +%T)"
(umask 077 && SOURCE_DATE_EPOCH=$epoch TZ=Pacific/Chatham \
  "$copy/cmake/make-dist.sh" "$work/b/build-2" "$work/b/dist") >"$work/b/log" 2>&1 ||
  { tail -n 20 "$work/b/log"; fail "make dist in $copy failed"; }

zip=ostrevane-$version-win64.zip
webzip=ostrevane-$version-web.zip
# Without Debian's packaging tools there is no .deb, and the two dist folders hold two files less.
deb=ostrevane_$("$src/cmake/deb-version.sh" "$version" "$epoch")_$(dpkg --print-architecture 2>/dev/null).deb
armdeb=${deb%_*}_arm64.deb
files=$(printf 'SHA256SUMS\n%s\n%s\n%s\n%s' "$webzip" "$zip" "$deb" "$armdeb") sums=4
command -v dpkg-shlibdeps >/dev/null || {
  echo "no dpkg-shlibdeps: no .deb to compare"
  deb= armdeb= files=$(printf 'SHA256SUMS\n%s\n%s' "$webzip" "$zip") sums=2
}
for d in a b; do
  [ "$(LC_ALL=C ls "$work/$d/dist")" = "$files" ] ||
    fail "$d/dist holds $(ls "$work/$d/dist" | tr '\n' ' '), not $(echo $files)"
  [ "$(wc -l <"$work/$d/dist/SHA256SUMS")" -eq $sums ] ||
    fail "SHA256SUMS in $d lacks a sum"
  (cd "$work/$d/dist" && sha256sum -c SHA256SUMS) || fail "sha256sum -c SHA256SUMS in $d"
done
cmp "$work/a/dist/$zip" "$work/b/dist/$zip" || fail "the two zips differ"
cmp "$work/a/dist/$webzip" "$work/b/dist/$webzip" || fail "the two web zips differ"
[ -z "$deb" ] || cmp "$work/a/dist/$deb" "$work/b/dist/$deb" || fail "the two .debs differ"
[ -z "$deb" ] || cmp "$work/a/dist/$armdeb" "$work/b/dist/$armdeb" || fail "the two arm64 .debs differ"
# The same desktop entry, icons, metadata, manual page and documents for both architectures.
shared() { dpkg-deb --ctrl-tarfile "$work/a/dist/$1" | tar -xOf - ./md5sums | grep -v ' usr/bin/'; }
[ -z "$deb" ] || { [ -n "$(shared "$deb")" ] && [ "$(shared "$deb")" = "$(shared "$armdeb")" ]; } ||
  fail "the files beside the program differ between $deb and $armdeb"
cmp "$work/a/dist/SHA256SUMS" "$work/b/dist/SHA256SUMS" || fail "the two SHA256SUMS differ"
echo "the same from both: $zip, $(stat -c %s "$work/a/dist/$zip") bytes;" \
  "${deb:+$deb, $(stat -c %s "$work/a/dist/$deb") bytes; $armdeb, $(stat -c %s "$work/a/dist/$armdeb") bytes;}" \
  "$webzip, $(stat -c %s "$work/a/dist/$webzip") bytes"
# The site from the web zip is the page the web tests drive: its files, nothing else.
[ "$(unzip -Z1 "$work/a/dist/$webzip" | LC_ALL=C sort | tr '\n' ' ')" = \
  "LICENSE.txt favicon.ico icon-192.png icon-512.png index.html manifest.webmanifest ostrevane.js ostrevane.wasm sw.js " ] ||
  fail "the web zip holds $(unzip -Z1 "$work/a/dist/$webzip" | tr '\n' ' ')"
sed 's/^/  /' "$work/a/dist/SHA256SUMS"

unpacked=$work/unpacked
unzip -q "$work/a/dist/$zip" -d "$unpacked" || fail "cannot unpack $zip"
[ "$(unzip -Z1 "$work/a/dist/$zip" | tr '\n' ' ')" = "ostrevane.exe README.txt LICENSE.txt " ] ||
  fail "the zip holds $(unzip -Z1 "$work/a/dist/$zip" | tr '\n' ' ')"
# Extra fields would carry the builder's uid and gid, which the two builds here share.
zipinfo -v "$work/a/dist/$zip" | grep "length of extra field" | grep -qv ": *0 bytes" &&
  fail "the zip's entries have extra fields (uid, gid, Unix times)"
for text in README.txt LICENSE.txt; do
  lines=$(wc -l <"$unpacked/$text")
  crlf=$(grep -c "$(printf '\r')\$" "$unpacked/$text")
  [ "$lines" -gt 0 ] && [ "$crlf" -eq "$lines" ] || fail "$text: $crlf of $lines lines end in CRLF"
done
grep -q "^Ostrevane $version for 64-bit Windows" "$unpacked/README.txt" ||
  fail "README.txt does not name version $version"
# The version resource, in the UTF-16 strings Explorer reads.
strings -el "$unpacked/ostrevane.exe" | grep -qx "$version" ||
  fail "no version string $version in ostrevane.exe"
python3 "$src/tests/resources/check_resources.py" "$unpacked/ostrevane.exe" ||
  fail "the manifest or the icons of the zip's ostrevane.exe"

# Keys a previous window test left pressed would reach the new window at once.
xdotool keyup Escape F11 || fail "xdotool cannot reach the display"
"$src/cmake/wine-run.sh" "$prefix" "$unpacked/ostrevane.exe" >"$work/run.log" 2>&1 &
pid=$!
trap viewer_stop EXIT
wait_for_window "$pid" 30
echo "window $wid titled '$title'"
xdotool windowfocus --sync "$wid" || fail "cannot focus window $wid"
xdotool key Escape
expect_exit_zero "$pid" 5
pid=
echo "Esc: exit code 0"
rm -rf "$work"
echo "PASS"
