#!/bin/sh
# Installs whatever Debian package the build and the tests need and this machine lacks.
set -e
packages="mingw-w64 wine64 xvfb xauth xdotool imagemagick googletest libgtest-dev libbenchmark-dev
cmake g++ make clang libclang-rt-14-dev"
missing=""
for p in $packages; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
[ -z "$missing" ] && exit 0
echo "installing:$missing"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -q
$sudo apt-get install -y -q $missing
