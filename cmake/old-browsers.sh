#!/bin/sh
# old-browsers.sh [DIR]: the page's end-to-end tests (ctest -R e2e.web) with the oldest browsers a
# Debian 12 machine may have: those of its release archive, without the security updates. In a
# chroot that debootstrap makes in DIR/root (by default /root/.cache/ostrevane-oldbrowsers) and
# that is kept for the next run. The tests, build/native and build/web are this tree's, built
# beforehand. Needs root and the network (OSTREVANE_MIRROR); not part of make test.
set -eu
tree=$(cd "$(dirname "$0")/.." && pwd)
dir=${1:-/root/.cache/ostrevane-oldbrowsers}
root=$dir/root
[ -x "$tree/build/native/ostrevane" ] && [ -d "$tree/build/web/site" ] ||
  { echo "old-browsers: build the native and web presets first"; exit 1; }
mkdir -p "$dir"
if [ ! -e "$root/etc/debian_version" ]; then
  echo "debootstrap --variant=minbase bookworm $root"
  debootstrap --variant=minbase bookworm "$root" "${OSTREVANE_MIRROR:-http://deb.debian.org/debian}" \
    >"$dir/debootstrap.log" 2>&1 || { tail -n 20 "$dir/debootstrap.log"; exit 1; }
fi
# debootstrap writes no hosts file, and selenium reaches chromedriver at localhost.
printf '127.0.0.1\tlocalhost\n' >"$root/etc/hosts"

# The tree at its own path, for the absolute paths that CMake wrote into the builds.
mounted=
release() { for m in $mounted; do umount "$m"; done; }
trap release EXIT
for m in /proc /sys /dev /dev/pts /dev/shm "$tree"; do
  mkdir -p "$root$m"
  mountpoint -q "$root$m" || { mount --bind "$m" "$root$m" && mounted="$root$m $mounted"; }
done
in_root() { chroot "$root" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root "$@"; }
echo "apt-get install: the browsers, their drivers and what the tests use, from bookworm main"
in_root apt-get update -q >"$dir/apt.log" 2>&1 &&
  in_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends \
    chromium chromium-driver firefox-esr webkit2gtk-driver python3-selenium imagemagick xvfb xauth \
    xdotool x11-utils cmake libsdl2-2.0-0 libdecor-0-0 fonts-dejavu-core fonts-liberation \
    >>"$dir/apt.log" 2>&1 || { tail -n 20 "$dir/apt.log"; exit 1; }
in_root dpkg-query -W -f '  ${Package} ${Version}\n' chromium firefox-esr webkit2gtk-driver
in_root sh -c "cd '$tree' && cmake/with-xvfb.sh ctest --preset web -R e2e.web --output-on-failure"
