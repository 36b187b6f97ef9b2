#!/bin/sh
# make-dist.sh [BUILD_DIR [OUT_DIR]]: builds the release ostrevane.exe with the MinGW-w64 toolchain
# (program only) in BUILD_DIR and writes OUT_DIR/ostrevane-VERSION-win64.zip, holding the exe,
# README.txt and LICENSE.txt; the Linux packages OUT_DIR/ostrevane_DEBVERSION_amd64.deb and
# _arm64.deb, built in BUILD_DIR-deb and BUILD_DIR-deb-arm64 by make-deb.sh; the web site, built
# in BUILD_DIR-web, as OUT_DIR/ostrevane-VERSION-web.zip; and OUT_DIR/SHA256SUMS. Defaults:
# build/dist and dist in the source tree.
# The same commit gives the same zips to the byte: every time stamp in them is SOURCE_DATE_EPOCH,
# by default the commit's date (the VERSION file's date in a source archive without git).
set -eu
src=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$src/build/dist}
out=${2:-$src/dist}

command -v zip >/dev/null || { echo "make dist: zip not found (apt-get install zip)" >&2; exit 1; }

version=$(cmake -P "$src/cmake/source-version.cmake")
if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
  # This tree's own checkout only, as for the version.
  if [ -e "$src/.git" ] && SOURCE_DATE_EPOCH=$(git -C "$src" log -1 --format=%ct 2>/dev/null); then
    :
  else
    SOURCE_DATE_EPOCH=$(stat -c %Y "$src/VERSION")
  fi
fi
case $SOURCE_DATE_EPOCH in
  '' | *[!0-9]*) echo "make dist: SOURCE_DATE_EPOCH '$SOURCE_DATE_EPOCH' is not a count of seconds" >&2; exit 1 ;;
esac
# Zip entries carry DOS dates, which start in 1980.
epoch=$SOURCE_DATE_EPOCH
[ "$epoch" -ge 315532800 ] || epoch=315532800

cmake -S "$src" -B "$build" -G "Unix Makefiles" \
  -DCMAKE_TOOLCHAIN_FILE="$src/cmake/toolchain-mingw-x86_64.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DOSTREVANE_TESTS=OFF -DOSTREVANE_BENCH=OFF \
  -DOSTREVANE_REPRODUCIBLE=ON -DOSTREVANE_VERSION="$version"
cmake --build "$build" --target ostrevane -j 2

# Fixed names, modes and dates, entries in a fixed order, no extra fields (-X: no uid, gid or
# Unix times), DOS times read in UTC.
stage=$build/package
rm -rf "$stage"
mkdir -p "$stage" "$out"
out=$(cd "$out" && pwd)
cp "$build/ostrevane.exe" "$stage/ostrevane.exe"
sed "s/@VERSION@/$version/g; s/\r*\$/\r/" "$src/docs/README-windows.txt" >"$stage/README.txt"
sed "s/\r*\$/\r/" "$src/LICENSE" >"$stage/LICENSE.txt"
chmod 755 "$stage/ostrevane.exe"
chmod 644 "$stage/README.txt" "$stage/LICENSE.txt"
touch -d "@$epoch" "$stage/ostrevane.exe" "$stage/README.txt" "$stage/LICENSE.txt"
zipname=ostrevane-$version-win64.zip
rm -f "$out"/ostrevane-*-win64.zip "$out/SHA256SUMS"
(cd "$stage" && TZ=UTC zip -X -9 -q "$out/$zipname" ostrevane.exe README.txt LICENSE.txt)
rm -f "$out"/ostrevane_*.deb
if command -v dpkg-shlibdeps >/dev/null; then
  SOURCE_DATE_EPOCH=$SOURCE_DATE_EPOCH "$src/cmake/make-deb.sh" "$build-deb" "$out"
  SOURCE_DATE_EPOCH=$SOURCE_DATE_EPOCH "$src/cmake/make-deb.sh" "$build-deb-arm64" "$out" arm64
else
  echo "make dist: no dpkg-shlibdeps (Debian's dpkg-dev): no .deb"
fi

# The web site, as the web preset builds and tests it, in a zip to unpack into any web server's
# folder: its files at the top, in a fixed order, with the licence.
cmake --preset web -S "$src" -B "$build-web" -DOSTREVANE_TESTS=OFF -DOSTREVANE_BENCH=OFF \
  -DOSTREVANE_REPRODUCIBLE=ON -DOSTREVANE_VERSION="$version"
cmake --build "$build-web" --target site -j 2
site=$build-web/site
web_files="index.html ostrevane.js ostrevane.wasm sw.js manifest.webmanifest favicon.ico icon-192.png icon-512.png"
cp "$src/LICENSE" "$site/LICENSE.txt"
# shellcheck disable=SC2086
(cd "$site" && chmod 644 $web_files LICENSE.txt && touch -d "@$epoch" $web_files LICENSE.txt)
webzip=ostrevane-$version-web.zip
rm -f "$out"/ostrevane-*-web.zip
# shellcheck disable=SC2086
(cd "$site" && TZ=UTC zip -X -9 -q "$out/$webzip" $web_files LICENSE.txt)

(cd "$out" && sha256sum "$zipname" $(ls ostrevane_*.deb 2>/dev/null) "$webzip" >SHA256SUMS)
echo "$out/$zipname: $(stat -c %s "$out/$zipname") bytes"
echo "$out/$webzip: $(stat -c %s "$out/$webzip") bytes"
cat "$out/SHA256SUMS"
