# 64-bit clang targeting MinGW-w64 (x86_64-w64-windows-gnu), the way llvm-mingw and MSYS2's clang64
# build, here with Debian's clang, the MinGW-w64 headers and GCC's posix libstdc++ (GoogleTest
# needs its std::mutex). Debian's clang 14 does not find the MinGW GCC by itself and would search
# the host's /usr/include, so the sysroot and the C++ library paths are given explicitly.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

find_program(OSTREVANE_CLANGXX NAMES clang++-14 clang++)
find_program(OSTREVANE_CLANG NAMES clang-14 clang)
file(GLOB OSTREVANE_MINGW_GCC_DIRS /usr/lib/gcc/x86_64-w64-mingw32/*-posix)
list(GET OSTREVANE_MINGW_GCC_DIRS -1 gcc_dir)
if(NOT OSTREVANE_CLANGXX OR NOT gcc_dir)
  message(FATAL_ERROR "clang++ and the posix MinGW-w64 GCC are needed: install clang, lld and g++-mingw-w64-x86-64-posix")
endif()

set(CMAKE_CXX_COMPILER ${OSTREVANE_CLANGXX})
set(CMAKE_C_COMPILER ${OSTREVANE_CLANG})
set(CMAKE_CXX_COMPILER_TARGET x86_64-w64-windows-gnu)
set(CMAKE_C_COMPILER_TARGET x86_64-w64-windows-gnu)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
set(CMAKE_SYSROOT /usr/x86_64-w64-mingw32)

set(CMAKE_CXX_FLAGS_INIT "-isystem ${gcc_dir}/include/c++ \
-isystem ${gcc_dir}/include/c++/x86_64-w64-mingw32 -isystem ${gcc_dir}/include/c++/backward")
# lld, as llvm-mingw links; the posix libstdc++ needs winpthread, which GCC's driver adds itself.
# Static: the exe runs with no libstdc++, libgcc or winpthread DLL beside it.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -fuse-ld=lld -L${gcc_dir} -lpthread")

set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
