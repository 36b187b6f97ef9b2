#!/bin/sh
# install_check.sh DEB CHECKER WORK_DIR: the .deb installed as a user would, in a fresh Debian 12
# (debootstrap's minbase) made in WORK_DIR/root. `apt-get install ./DEB` must bring runtime
# packages only (their count and size are printed). The installed viewer, started as its desktop
# entry says, must say in one line that there is no display when there is none; on this X display
# it must show the start view, judged by the e2e's screen checker CHECKER, and end with code 0 on
# Esc. `apt-get purge` must leave no file of it, and autoremove every package that came with it.
# Needs root and the network (OSTREVANE_MIRROR, by default deb.debian.org).
# Environment: DISPLAY, a local X server such as cmake/with-xvfb.sh starts.
set -u
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../viewer-window.sh"
deb=$(realpath "$1") checker=$(realpath "$2")
mkdir -p "$3" && work=$(cd "$3" && pwd) || fail "cannot make $3"
root=$work/root
mirror=${OSTREVANE_MIRROR:-http://deb.debian.org/debian}
[ "$(id -u)" -eq 0 ] || fail "needs root, for debootstrap, chroot and mount"
command -v debootstrap >/dev/null || fail "debootstrap not found (apt-get install debootstrap)"
display=${DISPLAY:-}
display=${display#*:}
[ -S "/tmp/.X11-unix/X${display%%.*}" ] || fail "no local X display; run inside cmake/with-xvfb.sh"

pid=
# What this script mounts in the chroot comes off first; the tree goes only when nothing is
# mounted in it any more.
release() {
  [ -z "$pid" ] || kill "$pid" 2>/dev/null
  for m in "$root/tmp/.X11-unix" "$root/proc"; do
    ! mountpoint -q "$m" || umount "$m" || fail "cannot unmount $m"
  done
}
remove_root() {
  release
  ! grep -q " $root/" /proc/mounts || fail "something is still mounted in $root"
  rm -rf --one-file-system "$root"
}
trap release EXIT
trap 'exit 1' INT TERM HUP
in_root() {
  chroot "$root" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 \
    DEBIAN_FRONTEND=noninteractive "$@"
}
installed() {
  in_root dpkg-query -W -f '${db:Status-Abbrev} ${Package}\n' | awk '$1 == "ii" { print $2 }'
}

remove_root
echo "debootstrap --variant=minbase bookworm from $mirror"
debootstrap --variant=minbase bookworm "$root" "$mirror" >"$work/debootstrap.log" 2>&1 ||
  { tail -n 20 "$work/debootstrap.log"; fail "debootstrap"; }
# A fresh system's sources: the release, its updates and its security updates.
cat >"$root/etc/apt/sources.list" <<SOURCES
deb $mirror bookworm main
deb $mirror bookworm-updates main
deb http://deb.debian.org/debian-security bookworm-security main
SOURCES
mount -t proc proc "$root/proc" || fail "cannot mount /proc in the chroot"
in_root apt-get update -q >"$work/update.log" 2>&1 || { cat "$work/update.log"; fail "apt-get update"; }
installed >"$work/before"
echo "fresh Debian 12: $(wc -l <"$work/before") packages"

name=$(basename "$deb")
cp "$deb" "$root/tmp/$name"
echo "apt-get install ./$name"
in_root sh -c "cd /tmp && apt-get install -y ./$name" >"$work/install.log" 2>&1 ||
  { tail -n 20 "$work/install.log"; fail "apt-get install"; }
grep -E "newly installed|^Need to get|^After this operation" "$work/install.log" | sed 's/^/  /'
installed >"$work/after"
comm -13 "$work/before" "$work/after" >"$work/added"
echo "$(wc -l <"$work/added") packages came: $(tr '\n' ' ' <"$work/added")"
tools=$(grep -E -- '-dev$|-dev-bin$|^(cpp|gcc|g\+\+|clang|llvm|binutils|make|cmake)($|-)' "$work/added")
[ -z "$tools" ] || fail "tools for building came with it: $tools"
[ "$(in_root sh -c 'command -v ostrevane')" = /usr/bin/ostrevane ] || fail "ostrevane is not on the PATH"

# The installed viewer, started as the desktop's menu starts it: its entry's Exec line.
launcher=$work/installed-ostrevane
line=$(sed -n 's/^Exec=//p' "$root"/usr/share/applications/*.desktop)
cat >"$launcher" <<LAUNCHER
#!/bin/sh
exec chroot "$root" env -i PATH=/usr/bin:/bin HOME=/root XDG_RUNTIME_DIR=/run/user/0 \\
  \${DISPLAY:+DISPLAY=\$DISPLAY} \${SDL_VIDEODRIVER:+SDL_VIDEODRIVER=\$SDL_VIDEODRIVER} \\
  /bin/sh -c 'exec $line'
LAUNCHER
chmod 755 "$launcher"
mkdir -p "$root/run/user/0" "$root/tmp/.X11-unix"
chmod 700 "$root/run/user/0"
echo "started as the menu does, '$line', without a display:"
sh "$here/../e2e/no_display.sh" "$launcher" >"$work/no_display.log" 2>&1
rc=$?
sed 's/^/  /' "$work/no_display.log"
[ $rc -eq 0 ] || fail "without a display"

mount --bind /tmp/.X11-unix "$root/tmp/.X11-unix" || fail "cannot give the chroot the X socket"
xdotool keyup Escape F11 2>/dev/null
no_window_left 10
"$launcher" >"$work/viewer.log" 2>&1 &
pid=$!
wait_for_window "$pid" 30
geometry=$(window_geometry) || fail "no geometry for window $wid"
echo "on $DISPLAY: window $wid titled '$title', at $geometry"
start_view() {
  import -window root -depth 8 "$work/start.ppm" &&
    "$checker" locate "$work/start.ppm" $geometry >"$work/checks" || return 1
  set -- $(grep '^CLIENT' "$work/checks")
  "$checker" fractal "$work/start.ppm" $2 $3 $4 $5 1.0 >>"$work/checks" &&
    "$checker" rings "$work/start.ppm" $2 $3 $4 $5 1.0 >>"$work/checks"
}
# The first screenshots may come before the first paint.
end=$(($(date +%s) + 15))
until start_view; do
  [ "$(date +%s)" -lt "$end" ] || { cat "$work/checks"; fail "no start view within 15 s"; }
  sleep 0.3
done
sed 's/^/  /' "$work/checks"
set -- $geometry
convert "$work/start.ppm" -crop "${3}x$4+$1+$2" +repage "$work/installed-viewer.png"
echo "  screenshot: $work/installed-viewer.png"
focus
xdotool key Escape
expect_exit_zero "$pid" 5
pid=
echo "Esc: exit code 0"
umount "$root/tmp/.X11-unix" || fail "cannot unmount the X socket"

in_root dpkg -L ostrevane >"$work/files" || fail "dpkg -L ostrevane"
in_root apt-get purge -y ostrevane >"$work/purge.log" 2>&1 ||
  { cat "$work/purge.log"; fail "apt-get purge"; }
status=$(in_root dpkg-query -W -f '${db:Status-Abbrev}' ostrevane 2>/dev/null)
case $status in '' | ?n*) ;; *) fail "after apt-get purge, dpkg has ostrevane as '$status'" ;; esac
# The folders shared with other packages stay; every file goes, and every folder of its own.
while read -r path; do
  [ -d "$root$path" ] || ! [ -e "$root$path" ] || fail "apt-get purge left $path"
done <"$work/files"
rm -f "$root/tmp/$name"
left=$(find "$root" -xdev -name '*ostrevane*')
[ -z "$left" ] || fail "apt-get purge left $left"
echo "apt-get purge ostrevane: none of its $(wc -l <"$work/files") paths left, nothing named after it"
in_root apt-get autoremove --purge -y >"$work/autoremove.log" 2>&1 || fail "apt-get autoremove"
installed >"$work/end"
cmp -s "$work/before" "$work/end" ||
  fail "after autoremove: $(comm -3 "$work/before" "$work/end" | tr -d '\t' | tr '\n' ' ')"
echo "apt-get autoremove --purge: the fresh system's $(wc -l <"$work/end") packages again"
remove_root
echo PASS
