#!/bin/sh
# deb_check.sh SOURCE_DIR WORK_DIR [ARCH]: the Debian versions that the program's versions become,
# in the order they must sort; then the .deb for ARCH (default: this machine's) that
# cmake/make-deb.sh makes in WORK_DIR, read back: its name, members and control fields, and its
# desktop entry, AppStream metadata, manual page and the package itself (owners and modes too)
# through the validators a Debian maintainer runs, none with an error or a warning. Exit 77
# (skipped) without Debian's tools.
set -u
src=$(cd "$1" && pwd) work=$2 arch=${3:-$(dpkg --print-architecture)}
for tool in dpkg-deb dpkg-shlibdeps lintian desktop-file-validate appstreamcli man; do
  command -v $tool >/dev/null || { echo "no $tool: skipped"; exit 77; }
done
bad=0
fail() { echo "FAIL: $*" && bad=1; }

# DESCRIBE EPOCH DEBIAN-VERSION ("-": refused), each row sorting after the one before.
previous=
while read -r describe epoch expected; do
  got=$("$src/cmake/deb-version.sh" "$describe" "$epoch" 2>/dev/null) || got=-
  [ "$got" = "$expected" ] || fail "Debian version of $describe is '$got', not '$expected'"
  [ "$got" = - ] || [ -z "$previous" ] || dpkg --compare-versions "$previous" lt "$got" ||
    fail "$previous does not sort before $got"
  [ "$got" = - ] || previous=$got
done <<EOF
4a00da0cb056 1796758014 0~git20261208192654.4a00da0cb056
4a00da0cb056-dirty 1796758014 0~git20261208192654.4a00da0cb056+dirty
0123456789ab 1796844414 0~git20261209192654.0123456789ab
v0.9 1796844414 0.9
v1.2-dirty 1796844414 1.2+0.dirty
v1.2-5-g0123456789ab 1796844414 1.2+5.g0123456789ab
v1.2-12-gba9876543210-dirty 1796844414 1.2+12.gba9876543210+dirty
1.10 1796844414 1.10
release-2 1796844414 -
EOF

rm -rf "$work" && mkdir -p "$work"
"$src/cmake/make-deb.sh" "$work/build" "$work/out" "$arch" >"$work/log" 2>&1 ||
  { tail -n 20 "$work/log"; echo "FAIL: make-deb.sh"; exit 1; }
version=$(cmake -P "$src/cmake/source-version.cmake")
epoch=$(cmake -DOSTREVANE_PRINT=epoch -P "$src/cmake/source-version.cmake")
debversion=$("$src/cmake/deb-version.sh" "$version" "$epoch")
deb=$work/out/ostrevane_${debversion}_$arch.deb
[ -f "$deb" ] || { echo "FAIL: no $deb, but $(ls "$work/out")"; exit 1; }
dpkg-deb -I "$deb"

files=$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { sub("^./usr/", "", $6); print $6 }' | tr '\n' ' ')
share="share/applications/io.github.ostrevane.ostrevane.desktop share/doc/ostrevane/README.md.gz
  share/doc/ostrevane/changelog.gz share/doc/ostrevane/copyright"
for size in 128 16 24 256 32 48 64; do
  share="$share share/icons/hicolor/${size}x$size/apps/ostrevane.png"
done
share="$share share/man/man1/ostrevane.1.gz
  share/metainfo/io.github.ostrevane.ostrevane.metainfo.xml"
[ "$files" = "$(echo bin/ostrevane $share) " ] || fail "the package holds $files"

for pair in "Package ostrevane" "Version $debversion" "Architecture $arch" "Section graphics" \
  "Priority optional"; do
  set -- $pair
  [ "$(dpkg-deb -f "$deb" "$1")" = "$2" ] || fail "$1 is not $2"
done
# Runtime libraries alone: SDL2, Wayland's client libraries, xkbcommon, libdecor and Xlib, the C and
# C++ libraries and GCC's support library.
depends=$(dpkg-deb -f "$deb" Depends | tr ',' '\n' | sed 's/^ *//; s/ .*//' | LC_ALL=C sort |
  tr '\n' ' ')
[ "$depends" = "libc6 libdecor-0-0 libgcc-s1 libsdl2-2.0-0 libstdc++6 libwayland-client0 libwayland-cursor0 libx11-6 libxkbcommon0 " ] ||
  fail "Depends on $depends"

root=$work/root
dpkg-deb -x "$deb" "$root"
echo "desktop-file-validate, appstreamcli validate-tree --no-net --pedantic, man --warnings:"
out=$(desktop-file-validate "$root"/usr/share/applications/*.desktop 2>&1) && [ -z "$out" ] ||
  fail "$out"
out=$(appstreamcli validate-tree --no-net --pedantic "$root" 2>&1) && echo "$out" &&
  ! echo "$out" | grep -Eq '^ *[EW]:' || fail "$out"
out=$(LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 \
  man --warnings -E UTF-8 -l -Tutf8 -Z "$root/usr/share/man/man1/ostrevane.1.gz" 2>&1 >/dev/null) &&
  [ -z "$out" ] || fail "$out"
echo "lintian --pedantic --display-info:"
lintian --fail-on error,warning --pedantic --display-info "$deb" || fail "lintian"
[ $bad -eq 0 ] && echo PASS
