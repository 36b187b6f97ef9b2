# WebAssembly with WASI (wasm32-wasi) from Debian's packages: clang 14 and wasm-ld (clang-14,
# lld-14, llvm-14's llvm-ar), wasi-libc, libc++ and libc++abi for wasm32, compiler-rt's builtins
# for wasm32 and binaryen. The core, its tests and a kernel timer, run under Node's WASI.
set(CMAKE_SYSTEM_NAME WASI)
set(CMAKE_SYSTEM_PROCESSOR wasm32)
# CMake 3.25 does not know WASI: cmake/Platform/WASI.cmake names its programs .wasm.
list(APPEND CMAKE_MODULE_PATH ${CMAKE_CURRENT_LIST_DIR})

# A program this build needs, and the Debian package that brings it.
macro(ostrevane_wasm_tool variable program package)
  find_program(${variable} ${program})
  if(NOT ${variable})
    message(FATAL_ERROR "${program} not found: install ${package}")
  endif()
endmacro()
ostrevane_wasm_tool(OSTREVANE_WASM_CXX clang++-14 clang-14)
ostrevane_wasm_tool(OSTREVANE_WASM_CC clang-14 clang-14)
ostrevane_wasm_tool(OSTREVANE_WASM_AR llvm-ar-14 llvm-14)
ostrevane_wasm_tool(OSTREVANE_WASM_LD wasm-ld-14 lld-14)
# clang runs binaryen's wasm-opt on every optimized link when it finds it: required, so that the
# same sources give the same module on every machine.
ostrevane_wasm_tool(OSTREVANE_WASM_OPT wasm-opt binaryen)
ostrevane_wasm_tool(OSTREVANE_NODE node nodejs)
set(OSTREVANE_WASI_INCLUDE /usr/include/wasm32-wasi)
foreach(path ${OSTREVANE_WASI_INCLUDE}/stdio.h ${OSTREVANE_WASI_INCLUDE}/c++/v1/cmath
        /usr/lib/wasm32-wasi/libc.a /usr/lib/wasm32-wasi/libc++.a /usr/lib/wasm32-wasi/libc++abi.a)
  if(NOT EXISTS ${path})
    message(FATAL_ERROR "${path} not found: install wasi-libc, libc++-14-dev-wasm32, "
                        "libc++abi-14-dev-wasm32")
  endif()
endforeach()
file(GLOB OSTREVANE_WASM_BUILTINS
     /usr/lib/llvm-14/lib/clang/*/lib/wasi/libclang_rt.builtins-wasm32.a)
if(NOT OSTREVANE_WASM_BUILTINS)
  message(FATAL_ERROR "libclang_rt.builtins-wasm32.a not found: install libclang-rt-14-dev-wasm32")
endif()

set(CMAKE_CXX_COMPILER ${OSTREVANE_WASM_CXX})
set(CMAKE_CXX_COMPILER_TARGET wasm32-wasi)
set(CMAKE_C_COMPILER ${OSTREVANE_WASM_CC})  # for GoogleTest's project, which enables C
set(CMAKE_C_COMPILER_TARGET wasm32-wasi)
set(CMAKE_AR ${OSTREVANE_WASM_AR})
# Debian keeps wasi-libc and the wasm32 libc++ under /usr, beside the host's headers: clang's
# search list without /usr/include and /usr/local/include, so that no host header is taken.
# Debian's wasm32 libc++ is built without exceptions.
set(CMAKE_CXX_FLAGS_INIT "-nostdlibinc -isystem ${OSTREVANE_WASI_INCLUDE}/c++/v1 \
-idirafter ${OSTREVANE_WASI_INCLUDE} -fno-exceptions")
set(CMAKE_C_FLAGS_INIT "-nostdlibinc -idirafter ${OSTREVANE_WASI_INCLUDE}")
# The link line repeats those flags, where the search list means nothing. A row kernel keeps the
# row's counts (64 KiB) on the stack, which wasm-ld makes 64 KiB by default: 1 MiB, as a Windows
# main thread has, and first in memory, so that an overflow traps instead of writing over the data.
set(CMAKE_EXE_LINKER_FLAGS_INIT
    "-Wno-unused-command-line-argument -Wl,-z,stack-size=1048576 -Wl,--stack-first")

set(CMAKE_CROSSCOMPILING_EMULATOR ${OSTREVANE_NODE};${CMAKE_CURRENT_LIST_DIR}/wasi-run.mjs)

set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
