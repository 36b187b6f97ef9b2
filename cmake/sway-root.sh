#!/bin/sh
# sway-root.sh: prints the folder of a Debian 13 root with sway, grim, wlrctl, wtype and wev, and
# a plain user "sway" to run the compositor, which refuses root. Made once with debootstrap under
# ${XDG_CACHE_HOME:-$HOME/.cache}/ostrevane and reused by later runs and CI: in a folder of its
# own, renamed only when whole, so that a half-made root is never taken. Where it cannot be made
# (not root, not a Debian-family machine, no debootstrap, no network) it says why in one line and
# exits 77, a skip for CTest. OSTREVANE_MIRROR: the Debian mirror.
set -u
packages="sway grim wlrctl wtype wev"
cache=${XDG_CACHE_HOME:-$HOME/.cache}/ostrevane
root=$cache/sway-trixie
mirror=${OSTREVANE_MIRROR:-http://deb.debian.org/debian}
skip() {
  echo "sway tests skipped: $*"
  exit 77
}
made() { [ "$(cat "$root/etc/ostrevane-root" 2>/dev/null)" = "$packages" ]; }
made && { echo "$root"; exit 0; }

[ "$(id -u)" -eq 0 ] || skip "making the Debian 13 root for sway needs root"
[ -r /etc/debian_version ] && command -v apt-get >/dev/null 2>&1 || skip "not a Debian-family machine"
command -v debootstrap >/dev/null 2>&1 || skip "no debootstrap (apt-get install debootstrap)"
mkdir -p "$cache" || skip "cannot make $cache"
# One maker at a time: a test that waited here takes the root the other made.
exec 9>"$cache/sway-trixie.lock"
flock 9
made && { echo "$root"; exit 0; }
new=$(mktemp -d "$cache/sway-trixie.new.XXXXXX") && chmod 755 "$new" || exit 1
log=$cache/sway-trixie.log
trap '! mountpoint -q "$new/proc" || umount "$new/proc"; rm -rf --one-file-system "$new"' EXIT
trap 'exit 1' INT TERM HUP
started=$(date +%s)
echo "making the Debian 13 root for sway in $root (log: $log)" >&2
if ! debootstrap --variant=minbase trixie "$new" "$mirror" >"$log" 2>&1; then
  grep -q "Failed getting release file" "$log" && skip "cannot reach $mirror"
  tail -n 5 "$log" >&2
  exit 1
fi
in_new() { chroot "$new" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root "$@"; }
mount -t proc proc "$new/proc" &&
  in_new sh -c "apt-get update && DEBIAN_FRONTEND=noninteractive apt-get install -y \
    --no-install-recommends $packages && apt-get clean && useradd --create-home sway" \
    >>"$log" 2>&1 && umount "$new/proc" || { tail -n 5 "$log" >&2; exit 1; }
echo "$packages" >"$new/etc/ostrevane-root"
[ ! -e "$root" ] || rm -rf --one-file-system "$root"
mv "$new" "$root" || exit 1
echo "made in $(($(date +%s) - started)) s: $(du -sh "$root" | cut -f1)" >&2
echo "$root"
