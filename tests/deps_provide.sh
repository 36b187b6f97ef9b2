#!/bin/sh
# deps_provide.sh SOURCE_DIR: every package cmake/install-deps.sh names must bring the thing it is
# named for, itself or through what it depends on. Our machines come with more preinstalled than
# a fresh Debian, so a wrong name is seen nowhere else until a newcomer's first build fails.
# First, on a machine of another distribution (no apt, no dpkg) with every other tool there, the
# step goes on and names what the .deb lacks. Exit 77 (skipped) where there is no dpkg.
src=$1
elsewhere=$(mktemp -d)
trap 'rm -rf "$elsewhere"' EXIT
for thing in $("$src/cmake/install-deps.sh" list | awk '$2 !~ "^/" && $2 != "dpkg-shlibdeps" { print $2 }'); do
  found=$(command -v "$thing") && ln -sf "$found" "$elsewhere/$thing"
done
said=$(PATH=$elsewhere /bin/sh "$src/cmake/install-deps.sh" 2>&1)
rc=$?
echo "with no apt, dpkg or dpkg-shlibdeps: exit code $rc: $said"
[ $rc -eq 0 ] && [ "$said" = "install-deps: without dpkg-shlibdeps (Debian's packaging tools) the .deb is neither made nor tested" ] ||
  { echo "FAIL the dependency step must go on without Debian's packaging tools, and say so"; exit 1; }
command -v dpkg >/dev/null && command -v apt-cache >/dev/null || { echo "no dpkg: skipped"; exit 77; }
list=$("$src/cmake/install-deps.sh" list) || exit 1
owner_of() { dpkg -S "$1" 2>/dev/null | grep -v '^diversion' | head -n 1 | sed 's/[:,].*//'; }
bad=0 checked=0
echo "$list" | {
  while read -r package thing; do
    case $thing in
      /*) path=$(for f in $thing; do [ -e "$f" ] && echo "$f" && break; done) ;;
      # Where Debian puts commands: not a tool of the same name earlier on this PATH.
      *) path=$(PATH=/usr/sbin:/usr/bin:/sbin:/bin command -v "$thing") ;;
    esac
    if [ -z "$path" ]; then
      echo "FAIL $package: $thing is not installed"
      bad=1
      continue
    fi
    # The path's own package first: clang-cl is a link to clang, owned by another package. A
    # command chosen through the alternatives system belongs to no package; its target does.
    file=$path
    owner=$(owner_of "$file")
    [ -n "$owner" ] || file=$(readlink -f "$path") owner=$(owner_of "$file")
    if [ -z "$owner" ]; then
      echo "FAIL $package: no package owns $file ($thing)"
      bad=1
    elif [ "$owner" != "${package%:*}" ] &&
      ! apt-cache depends --recurse --no-recommends --no-suggests --no-conflicts --no-breaks \
        --no-replaces --no-enhances "$package" 2>/dev/null | grep -qx "$owner"; then
      echo "FAIL $package does not bring $thing: $file belongs to $owner"
      bad=1
    fi
    checked=$((checked + 1))
  done
  echo "$checked things checked against the packages named for them"
  [ "$bad" -eq 0 ] && [ "$checked" -gt 0 ]
}
