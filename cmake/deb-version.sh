#!/bin/sh
# deb-version.sh VERSION EPOCH: the Debian package version of the program's VERSION (git describe
# --always --dirty --abbrev=12) built from a tree dated EPOCH (seconds, the commit's date).
#   v1.2 or 1.2                 1.2
#   v1.2-5-gHASH                1.2+5.gHASH        5 commits after the tag
#   HASH (no tag)               0~gitDATE.HASH     DATE is EPOCH as YYYYMMDDhhmmss, UTC
#   any of them -dirty          the same with +dirty; v1.2-dirty gives 1.2+0.dirty
# A Debian version must start with a digit and a bare hash need not; nor do hashes sort. So an
# untagged commit sorts by its date, and before any release (~). A '-' would start a Debian
# revision, so local changes are +dirty, which sorts after the same commit built clean and before
# the next commit (1.2+dirty would sort after 1.2+5.gHASH).
set -eu
v=$1 epoch=$2
dirty=
case $v in *-dirty) v=${v%-dirty} dirty=+dirty ;; esac
if printf '%s\n' "$v" | grep -Eq '^v?[0-9][0-9.]*$'; then
  base=${v#v}
  [ -z "$dirty" ] || dirty=+0.dirty
elif printf '%s\n' "$v" | grep -Eq '^v?[0-9][0-9.]*-[0-9]+-g[0-9a-f]+$'; then
  base=$(printf '%s\n' "$v" | sed -E 's/^v?([0-9.]+)-([0-9]+)-(g[0-9a-f]+)$/\1+\2.\3/')
elif printf '%s\n' "$v" | grep -Eq '^[0-9a-f]+$'; then
  base=0~git$(date -u -d "@$epoch" +%Y%m%d%H%M%S).$v
else
  echo "deb-version: no Debian version for '$1' (tags are v1.2 or 1.2)" >&2
  exit 1
fi
echo "$base$dirty"
