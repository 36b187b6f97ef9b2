# 64-bit ARM Linux with Debian's cross compiler; the tests run under qemu's user-mode emulation.
# Libraries come from Debian's arm64 packages installed beside the host's (multiarch, as
# `dpkg --add-architecture arm64` allows): SDL2 and everything it links lie in
# /usr/lib/aarch64-linux-gnu, the cross compiler's C and C++ libraries in /usr/aarch64-linux-gnu.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(CMAKE_C_COMPILER aarch64-linux-gnu-gcc)
set(CMAKE_CXX_COMPILER aarch64-linux-gnu-g++)
# Where no session bus is named, SDL's D-Bus library forks to start one; under qemu's user mode
# that fork was seen to hang the window suites for good. Told there is none.
set(CMAKE_CROSSCOMPILING_EMULATOR
    env;DBUS_SESSION_BUS_ADDRESS=disabled:;qemu-aarch64;-L;/usr/aarch64-linux-gnu)

# find_library and find_package look in lib/aarch64-linux-gnu under each prefix (the multiarch
# folders), never in the host's lib/x86_64-linux-gnu.
set(CMAKE_LIBRARY_ARCHITECTURE aarch64-linux-gnu)
set(CMAKE_FIND_ROOT_PATH /usr/aarch64-linux-gnu)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY BOTH)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE BOTH)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE BOTH)
# pkg_check_modules: the arm64 .pc files alone, through pkgconf's cross personality that
# pkg-config:arm64 installs.
set(PKG_CONFIG_EXECUTABLE aarch64-linux-gnu-pkg-config CACHE FILEPATH "pkg-config for arm64")
