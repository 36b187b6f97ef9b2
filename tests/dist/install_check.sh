#!/bin/sh
# install_check.sh DEB CHECKER WORK_DIR: `apt-get install ./DEB` in a fresh Debian 12 (debootstrap's
# minbase, in WORK_DIR/root) must bring runtime packages only; the installed viewer, started by its
# desktop entry's Exec line on this X display, must show the start view (judged by the e2e's screen
# checker CHECKER) and end with code 0 on Esc; `apt-get purge` must leave no file of it. Needs
# root and the network (OSTREVANE_MIRROR). Environment: DISPLAY, as cmake/with-xvfb.sh sets.
# Without a display the viewer must say so in one line and end with 0. A .deb of another
# architecture (arm64) goes into a Debian 12 of its architecture, whose programs the kernel hands
# to qemu-user-static.
set -u
. "$(dirname "$0")/../viewer-window.sh"
deb=$(realpath "$1") checker=$(realpath "$2")
mkdir -p "$3" && root=$(cd "$3" && pwd)/root || fail "cannot make $3"
[ "$(id -u)" -eq 0 ] || fail "needs root, for debootstrap, chroot and mount"
display=${DISPLAY:-none}
display=${display#*:}
[ -S "/tmp/.X11-unix/X${display%%.*}" ] || fail "no local X display; run inside cmake/with-xvfb.sh"

# The tree goes only once nothing is mounted in it.
pid=
release() {
  viewer_stop
  for m in "$root/tmp/.X11-unix" "$root/proc"; do ! mountpoint -q "$m" || umount "$m"; done
}
trap release EXIT
release
! grep -q " $root/" /proc/mounts || fail "something is still mounted in $root"
rm -rf --one-file-system "$root"
in_root() { chroot "$root" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root "$@"; }
installed() {
  in_root dpkg-query -W -f '${db:Status-Abbrev} ${Package}\n' | awk '/^ii/ { print $2 }'
}

arch=$(dpkg-deb -f "$deb" Architecture)
if [ "$arch" != "$(dpkg --print-architecture)" ]; then
  # binfmt_misc, mounted where it belongs, runs the chroot's programs through qemu; its F flag
  # opens the interpreter now, so that it need not exist inside the chroot.
  binfmt=/proc/sys/fs/binfmt_misc
  cpu=$(dpkg-architecture -a"$arch" -qDEB_HOST_GNU_CPU 2>/dev/null)
  [ -e $binfmt/register ] || mount -t binfmt_misc binfmt_misc $binfmt ||
    fail "cannot mount binfmt_misc at $binfmt"
  [ -e "$binfmt/qemu-$cpu" ] || cat "/usr/lib/binfmt.d/qemu-$cpu.conf" >$binfmt/register ||
    fail "cannot register qemu-$cpu-static (apt-get install qemu-user-static)"
  echo "binfmt_misc: qemu-$cpu $(head -n 1 "$binfmt/qemu-$cpu"), $(grep flags "$binfmt/qemu-$cpu")"
fi
echo "debootstrap --variant=minbase --arch=$arch bookworm"
debootstrap --variant=minbase --arch="$arch" bookworm "$root" "${OSTREVANE_MIRROR:-http://deb.debian.org/debian}" \
  >"$root.log" 2>&1 || { tail -n 20 "$root.log"; fail "debootstrap"; }
mount -t proc proc "$root/proc" && in_root apt-get update -q >"$root.log" 2>&1 ||
  fail "apt-get update"
installed >"$root.before"
name=$(basename "$deb")
cp "$deb" "$root/tmp/$name"
echo "fresh Debian 12 of $(wc -l <"$root.before") packages: apt-get install ./$name"
in_root sh -c "cd /tmp && apt-get install -y ./$name" >"$root.log" 2>&1 ||
  { cat "$root.log"; fail "apt-get install"; }
grep -E "newly installed|^Need to get|^After this operation" "$root.log"
installed | comm -13 "$root.before" - | tr '\n' ' ' >"$root.added"
echo "came: $(cat "$root.added")"
tools=$(tr ' ' '\n' <"$root.added" |
  grep -E -- '-dev$|-dev-bin$|^(cpp|gcc|g\+\+|clang|llvm|binutils|make)($|-)')
[ -z "$tools" ] || fail "tools for building came with it: $tools"

line=$(sed -n 's/^Exec=//p' "$root"/usr/share/applications/*.desktop)
# A login session's run-time folder, which logind makes for every session: without it Wayland's
# library adds a line of its own (as no_display.sh knows).
mkdir -p -m 700 "$root/run/user/0"
out=$(chroot "$root" env -i PATH=/usr/bin:/bin HOME=/root XDG_RUNTIME_DIR=/run/user/0 \
  sh -c "exec $line" 2>&1 </dev/null)
rc=$?
echo "'$line' without a display: exit code $rc, $out"
[ $rc -eq 0 ] && [ "$(echo "$out" | grep -c .)" -eq 1 ] || fail "not one line and exit code 0"
mkdir -p "$root/tmp/.X11-unix" && mount --bind /tmp/.X11-unix "$root/tmp/.X11-unix" ||
  fail "cannot give the chroot the X socket"
xdotool keyup Escape F11 2>/dev/null
chroot "$root" env -i PATH=/usr/bin:/bin HOME=/root DISPLAY="$DISPLAY" sh -c "exec $line" \
  >"$root.log" 2>&1 &
pid=$!
wait_for_window "$pid" 30
geometry=$(window_geometry)
echo "'$line': window $wid at $geometry"
start_view() {
  import -window root -depth 8 "$root.ppm" &&
    "$checker" locate "$root.ppm" $geometry >"$root.log" && set -- $(grep '^CLIENT' "$root.log") &&
    "$checker" fractal "$root.ppm" $2 $3 $4 $5 1.0 >>"$root.log" &&
    "$checker" rings "$root.ppm" $2 $3 $4 $5 1.0 >>"$root.log"
}
end=$(($(date +%s) + 15))
until start_view; do
  [ "$(date +%s)" -lt "$end" ] || { cat "$root.log"; fail "no start view within 15 s"; }
  sleep 0.3
done
cat "$root.log"
set -- $geometry
convert "$root.ppm" -crop "${3}x$4+$1+$2" +repage "$(dirname "$root")/installed-viewer.png"
focus
xdotool key Escape
expect_exit_zero "$pid" 5
pid=
echo "Esc: exit code 0"

in_root apt-get purge -y ostrevane >"$root.log" 2>&1 || fail "apt-get purge"
rm "$root/tmp/$name"
# Each of its files, and each folder of its own, is named after it.
left=$(find "$root" -xdev -name '*ostrevane*'
  in_root dpkg-query -W -f '${db:Status-Abbrev}\n' ostrevane 2>/dev/null | grep -v '^.n')
[ -z "$left" ] || fail "apt-get purge left $left"
echo "apt-get purge ostrevane: nothing of it left"
release
rm -rf --one-file-system "$root"
echo PASS
