#!/bin/sh
# install-deps.sh [viewer|windows|web|bench|all|list]: checks for the tools and libraries a target needs.
#   viewer   the native viewer (make run): a compiler, CMake and SDL2's development files
#   windows  the Windows exe under Wine (make run-wine), and the releases (make dist)
#   web      the WebAssembly build (make web, make run-web): clang for wasm32-wasi, its libraries,
#            Node, and Python to serve the site
#   bench    the viewer's and Google Benchmark: make bench on CPUs other than x86-64
#   all      everything the build and the tests use (the default)
#   list     prints "PACKAGE THING" for every check, for the test that each package brings its thing
# Where something is missing on a Debian-family machine it installs the packages with apt-get;
# elsewhere it names what is missing, with the Debian package that brings it, and stops with a
# non-zero status. Debian's own packaging tools, which only the .deb and its tests use, are
# installed on Debian-family machines and named elsewhere without stopping: those tests skip.
set -e
mode=${1:-all}
packages=""
what=""
optional=""
debian=false
[ -r /etc/debian_version ] && command -v apt-get >/dev/null 2>&1 && debian=true
# need PACKAGE THING: THING is a command, or an absolute path (a glob) that must exist.
need() {
  if [ "$mode" = list ]; then
    echo "$1 $2"
    return 0
  fi
  case "$2" in
    /*) for f in $2; do [ -e "$f" ] && return 0; done ;;
    *) command -v "$2" >/dev/null 2>&1 && return 0 ;;
  esac
  what="$what $2"
  case " $packages " in *" $1 "*) ;; *) packages="$packages $1" ;; esac
}

# want PACKAGE THING: as need on a Debian-family machine; elsewhere only noted.
want() {
  if [ "$mode" = list ] || $debian; then
    need "$1" "$2"
  elif ! command -v "$2" >/dev/null 2>&1; then
    optional="$optional $2"
  fi
}

viewer_needs() {
  need cmake cmake
  need make make
  need g++ g++
  need pkgconf pkg-config
  need libsdl2-dev sdl2-config
  # The host of our own on Wayland compositors (libsdl2-dev brings these on Debian).
  need libwayland-dev /usr/include/wayland-client.h
  need libxkbcommon-dev /usr/include/xkbcommon/xkbcommon.h
  need libdecor-0-dev /usr/include/libdecor-0/libdecor.h
}

windows_needs() {
  # The x86-64 compilers only: the mingw-w64 package brings the i686 ones too, which nothing uses.
  need g++-mingw-w64-x86-64-posix x86_64-w64-mingw32-g++-posix
  need binutils-mingw-w64-x86-64 x86_64-w64-mingw32-windres
  need wine wine
  need wine64 wineserver
  need zip zip
  want dpkg-dev dpkg-shlibdeps
}

web_needs() {
  need cmake cmake
  need make make
  need clang-14 clang++-14
  need lld-14 wasm-ld-14
  need llvm-14 llvm-ar-14
  need wasi-libc /usr/lib/wasm32-wasi/libc.a
  need libc++-14-dev-wasm32 /usr/lib/llvm-14/lib/wasm32-wasi/libc++.a
  need libc++abi-14-dev-wasm32 /usr/lib/llvm-14/lib/wasm32-wasi/libc++abi.a
  need libclang-rt-14-dev-wasm32 \
    "/usr/lib/llvm-14/lib/clang/*/lib/wasi/libclang_rt.builtins-wasm32.a"
  need binaryen wasm-opt
  need nodejs node
  need python3 /usr/bin/python3
}

test_needs() {
  need googletest /usr/src/googletest/CMakeLists.txt
  need libgtest-dev /usr/include/gtest/gtest.h
  need libbenchmark-dev /usr/include/benchmark/benchmark.h
  need clang /usr/lib/llvm-14/bin/clang++
  need clang-tools-14 /usr/lib/llvm-14/bin/clang-cl
  need lld /usr/lib/llvm-14/bin/lld-link
  need lld /usr/lib/llvm-14/bin/ld.lld
  need libclang-rt-14-dev "/usr/lib/llvm-14/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a"
  need libwine-dev /usr/include/wine/wine/windows/windows.h
  need libwine-dev /usr/lib/x86_64-linux-gnu/wine/x86_64-windows/libuser32.a
  need libc++-14-dev /usr/lib/llvm-14/include/c++/v1/cmath
  need xvfb Xvfb
  need xauth xauth
  need xdotool xdotool
  need x11-utils xprop
  need openbox openbox
  need i3-wm i3
  need weston weston
  need imagemagick import
  need g++-aarch64-linux-gnu aarch64-linux-gnu-g++
  need qemu-user qemu-aarch64
  # The arm64 viewer: Debian's arm64 SDL2 beside the host's (multiarch), with everything it links
  # and the arm64 pkg-config; the C++ library for dpkg-shlibdeps; qemu for an arm64 chroot.
  need libsdl2-dev:arm64 /usr/lib/aarch64-linux-gnu/libSDL2.so
  want libstdc++6:arm64 /usr/lib/aarch64-linux-gnu/libstdc++.so.6
  want qemu-user-static qemu-aarch64-static
  need unzip unzip
  need python3 python3
  need python3 "/usr/lib/python3*/xml/etree/ElementTree.py"
  need chromium /usr/bin/chromium
  need chromium-driver /usr/bin/chromedriver
  need python3-selenium /usr/lib/python3/dist-packages/selenium/webdriver/__init__.py
  need firefox-esr /usr/bin/firefox-esr
  need webkit2gtk-driver /usr/bin/WebKitWebDriver
  # What a Debian maintainer checks a package with; debootstrap for make test-install and for
  # sway's Debian 13 root (cmake/sway-root.sh), whose tests skip without it.
  want lintian lintian
  want desktop-file-utils desktop-file-validate
  want appstream appstreamcli
  want man-db man
  want debootstrap debootstrap
}

case $mode in
  viewer) viewer_needs ;;
  bench) viewer_needs; need libbenchmark-dev /usr/include/benchmark/benchmark.h ;;
  windows) viewer_needs; windows_needs ;;
  web) web_needs ;;
  all | list) viewer_needs; windows_needs; web_needs; test_needs ;;
  *) echo "install-deps: unknown target '$mode' (viewer, windows, web, bench, all or list)" >&2; exit 2 ;;
esac

[ -z "$optional" ] ||
  echo "install-deps: without$optional (Debian's packaging tools) the .deb is neither made nor tested"
[ -z "$packages" ] && exit 0
echo "install-deps: missing:$what"
if $debian; then
  sudo=""
  if [ "$(id -u)" -ne 0 ]; then
    command -v sudo >/dev/null 2>&1 ||
      { echo "install-deps: as root, run: apt-get install$packages" >&2; exit 1; }
    sudo="sudo"
  fi
  echo "install-deps: installing$packages"
  export DEBIAN_FRONTEND=noninteractive
  case "$packages " in
    *:arm64\ *) [ "$(dpkg --print-architecture)" = arm64 ] ||
      dpkg --print-foreign-architectures | grep -qx arm64 || $sudo dpkg --add-architecture arm64 ;;
  esac
  $sudo apt-get update -q
  # shellcheck disable=SC2086
  $sudo apt-get install -y -q $packages
  exit 0
fi
echo "install-deps: not a Debian-family machine; install these with your package manager" >&2
echo "  (Debian's package names):$packages" >&2
exit 1
