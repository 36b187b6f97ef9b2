#!/bin/sh
# make-deb.sh [BUILD_DIR [OUT_DIR [ARCH]]]: builds the viewer (program only) for Debian's
# architecture ARCH in BUILD_DIR, installs it under /usr as `cmake --install` does, and writes
# OUT_DIR/ostrevane_VERSION_ARCH.deb with dpkg-deb, VERSION by cmake/deb-version.sh. Defaults:
# build/deb, dist in the source tree and this machine's architecture; arm64 is cross-built with
# cmake/toolchain-aarch64-linux.cmake against Debian's arm64 packages (multiarch).
# The same commit gives the same .deb to the byte: every date in it is SOURCE_DATE_EPOCH (by
# default the commit's), every owner root, every mode fixed; dpkg-deb sorts the members, and xz on
# one thread compresses alike on any machine.
set -eu
src=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$src/build/deb}
out=${2:-$src/dist}
mkdir -p "$build" "$out"
build=$(cd "$build" && pwd) out=$(cd "$out" && pwd)
maintainer="The Ostrevane authors <maintainers@users.noreply.c-seed-c8fa0361.example>"

command -v dpkg-shlibdeps >/dev/null ||
  { echo "make-deb: dpkg-shlibdeps not found (apt-get install dpkg-dev)" >&2; exit 1; }
version=$(cmake -P "$src/cmake/source-version.cmake")
SOURCE_DATE_EPOCH=$(cmake -DOSTREVANE_PRINT=epoch -P "$src/cmake/source-version.cmake")
export SOURCE_DATE_EPOCH
debversion=$("$src/cmake/deb-version.sh" "$version" "$SOURCE_DATE_EPOCH")
arch=${3:-$(dpkg --print-architecture)}
toolchain="" strip=strip
if [ "$arch" != "$(dpkg --print-architecture)" ]; then
  case $arch in
    arm64) toolchain=-DCMAKE_TOOLCHAIN_FILE=$src/cmake/toolchain-aarch64-linux.cmake ;;
    *) echo "make-deb: no toolchain for $arch (arm64 or $(dpkg --print-architecture))" >&2; exit 1 ;;
  esac
  strip=$(dpkg-architecture -a"$arch" -qDEB_HOST_GNU_TYPE 2>/dev/null)-strip
  # dpkg-shlibdeps looks for the libraries, their packages and symbols of this architecture.
  export DEB_HOST_ARCH=$arch
fi

# Debian's hardening: a stack protector, checked string functions, relocations read-only once
# bound, all at start-up. None of them touches the arithmetic.
cmake -S "$src" -B "$build" -G "Unix Makefiles" $toolchain -DCMAKE_BUILD_TYPE=Release \
  -DOSTREVANE_TESTS=OFF -DOSTREVANE_BENCH=OFF -DOSTREVANE_REPRODUCIBLE=ON \
  -DOSTREVANE_VERSION="$version" -DCMAKE_INSTALL_PREFIX=/usr \
  -DCMAKE_CXX_FLAGS="-fstack-protector-strong -D_FORTIFY_SOURCE=2" \
  -DCMAKE_EXE_LINKER_FLAGS="-Wl,-z,relro -Wl,-z,now"
cmake --build "$build" -j 2
[ -e "$build/ostrevane" ] ||
  { echo "make-deb: no viewer built: SDL2 not found (apt-get install libsdl2-dev:$arch)" >&2; exit 1; }

# Laid out as Debian's tools expect: debian/control, and the package's tree in debian/ostrevane.
work=$build/package
stage=$work/debian/ostrevane
rm -rf "$work"
DESTDIR=$stage cmake --install "$build"
# As Debian strips programs (dh_strip): no symbols, no compiler's comment.
$strip --remove-section=.comment --remove-section=.note "$stage/usr/bin/ostrevane"
mkdir "$stage/DEBIAN"
doc=$stage/usr/share/doc/ostrevane
homepage=$(sed -n 's:.*<url type="homepage">\(.*\)</url>.*:\1:p' "$stage"/usr/share/metainfo/*.xml)

# Debian carries the licence in its machine-readable copyright file.
{
  printf 'Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/\n'
  printf 'Upstream-Name: Ostrevane\nSource: %s\n\nFiles: *\n' "$homepage"
  sed -n 's/^Copyright (c) /Copyright: /p' "$src/LICENSE"
  printf 'License: Expat\n'
  sed '1,/^Copyright/d' "$src/LICENSE" | sed '1{/^$/d}; s/^$/./; s/^/ /'
} >"$doc/copyright"
rm "$doc/LICENSE"
{
  printf 'ostrevane (%s) bookworm; urgency=medium\n\n' "$debversion"
  printf '  * Built from %s.\n\n' "$version"
  printf ' -- %s  %s\n' "$maintainer" "$(date -u -R -d "@$SOURCE_DATE_EPOCH")"
} >"$doc/changelog"
# What Debian compresses, compressed without a name or a time in it.
gzip -9n "$doc/changelog" "$doc/README.md" "$stage/usr/share/man/man1/ostrevane.1"

# Runtime libraries only, from the symbols the viewer uses.
printf 'Source: ostrevane\n\nPackage: ostrevane\nArchitecture: any\n' >"$work/debian/control"
depends=$(cd "$work" && dpkg-shlibdeps -O debian/ostrevane/usr/bin/ostrevane |
  sed -n 's/^shlibs:Depends=//p')
[ -n "$depends" ] || { echo "make-deb: dpkg-shlibdeps found no libraries" >&2; exit 1; }

# Kibibytes as dpkg counts them: each file rounded up, 1 for anything else.
size=$(find "$stage" -mindepth 1 -path "$stage/DEBIAN" -prune -o -printf '%y %s\n' |
  awk '{ n += $1 == "f" ? int(($2 + 1023) / 1024) : 1 } END { print n }')
cat >"$stage/DEBIAN/control" <<EOF
Package: ostrevane
Version: $debversion
Architecture: $arch
Maintainer: $maintainer
Installed-Size: $size
Depends: $depends
Section: graphics
Priority: optional
Homepage: $homepage
Description: interactive viewer of the Mandelbrot set
 Ostrevane shows the Mandelbrot set in one window: the escape-time picture
 of the set in light greys, three reference circles about the origin with
 the two axes, and the orbit of the point under the mouse cursor, drawn
 from its latest step back to the origin.
 .
 The mouse wheel zooms about the origin, a drag with the left button
 lengthens the orbit and the right button shows it in detail; F5 redraws
 the picture, F11 switches to full screen and Esc quits.
EOF
(cd "$stage" && find usr -type f | LC_ALL=C sort | xargs md5sum) >"$stage/DEBIAN/md5sums"

find "$stage" -type d -exec chmod 755 {} +
find "$stage" -type f -exec chmod 644 {} +
chmod 755 "$stage/usr/bin/ostrevane"
find "$stage" -exec touch -h -d "@$SOURCE_DATE_EPOCH" {} +
rm -f "$out"/ostrevane_*_"$arch".deb
deb=$out/ostrevane_${debversion}_$arch.deb
dpkg-deb --root-owner-group -Zxz --threads-max=1 --build "$stage" "$deb"
echo "$deb: $(stat -c %s "$deb") bytes; Depends: $depends"
