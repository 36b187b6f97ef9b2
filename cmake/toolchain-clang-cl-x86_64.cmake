# 64-bit MSVC-ABI cross build on Debian: clang-cl and lld-link from clang 14, the Windows SDK and
# CRT headers and the PE import libraries of Wine's development package (libwine-dev), and
# libc++'s headers (libc++-14-dev) as the C++ standard library. Only header-only parts of libc++
# can be used: no libc++ or vcruntime library exists for this target, so anything else fails at
# link time rather than at run time.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(OSTREVANE_LLVM_BIN /usr/lib/llvm-14/bin CACHE PATH "clang 14's tools")
set(OSTREVANE_WINE_INCLUDE /usr/include/wine/wine CACHE PATH "Wine's msvcrt/ and windows/ headers")
set(OSTREVANE_WINE_LIBS /usr/lib/x86_64-linux-gnu/wine/x86_64-windows CACHE PATH
    "Wine's PE import libraries")
set(OSTREVANE_LIBCXX_INCLUDE /usr/lib/llvm-14/include/c++/v1 CACHE PATH "libc++'s headers")
foreach(path ${OSTREVANE_LLVM_BIN}/clang-cl ${OSTREVANE_WINE_INCLUDE}/windows/windows.h
        ${OSTREVANE_WINE_LIBS}/libucrtbase.a ${OSTREVANE_LIBCXX_INCLUDE}/cmath)
  if(NOT EXISTS ${path})
    message(FATAL_ERROR "${path} not found: install clang-14, lld-14, libwine-dev, libc++-14-dev")
  endif()
endforeach()

set(CMAKE_C_COMPILER ${OSTREVANE_LLVM_BIN}/clang-cl)
set(CMAKE_CXX_COMPILER ${OSTREVANE_LLVM_BIN}/clang-cl)
set(CMAKE_C_COMPILER_TARGET x86_64-pc-windows-msvc)
set(CMAKE_CXX_COMPILER_TARGET x86_64-pc-windows-msvc)
set(CMAKE_LINKER ${OSTREVANE_LLVM_BIN}/lld-link)
set(CMAKE_AR ${OSTREVANE_LLVM_BIN}/llvm-lib)
set(CMAKE_MT ${OSTREVANE_LLVM_BIN}/llvm-mt)
set(CMAKE_RC_COMPILER ${OSTREVANE_LLVM_BIN}/llvm-rc)

set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# Include order: libc++ (-isystem, so before clang's own headers, as libc++ requires), clang's
# headers, then the shim below, Wine's CRT and Wine's SDK (/imsvc).
# - cmake/clang-cl-shim: long double math functions Wine's <math.h> lacks and libc++ names, and a
#   clash between Wine's <winnt.h> and a clang-cl builtin; each file says why.
# - _LIBCPP_NO_VCRUNTIME: libc++ defines its own <new>/<exception> pieces instead of including
#   vcruntime headers, which Wine does not have.
# - _LIBCPP_HAS_NO_THREADS: libc++'s thread support needs struct timespec, which Wine's CRT lacks,
#   and its win32 thread library, which is not here; the program runs on one thread.
# - _LIBCPP_NO_AUTO_LINK: no c++.lib to link; the headers are used alone.
set(_ostrevane_flags
    "/clang:-isystem${OSTREVANE_LIBCXX_INCLUDE}"
    "/imsvc ${CMAKE_CURRENT_LIST_DIR}/clang-cl-shim"
    "/imsvc ${OSTREVANE_WINE_INCLUDE}/msvcrt"
    "/imsvc ${OSTREVANE_WINE_INCLUDE}/windows"
    "-D_LIBCPP_NO_VCRUNTIME -D_LIBCPP_HAS_NO_THREADS -D_LIBCPP_NO_AUTO_LINK"
    # The security cookie (/GS) and the thread-safe static guards live in the static part of
    # Microsoft's CRT, which Wine does not have: no stack cookies, and statics guarded without
    # the thread lock (one thread). /Zl drops the default libraries every object names
    # (msvcrt.lib, the wrong CRT for Wine's headers, and oldnames.lib, absent): the CRT is
    # named once, at link time, below.
    "/GS- /Zc:threadSafeInit- /Zl"
    # Wine's start-up does not run the dynamic initializers of globals (.CRT$XCU): a global set
    # from a volatile read was seen to stay 0. Such a global is a compile error here instead (one
    # with a destructor fails to link anyway: atexit is in Microsoft's static CRT too).
    "/clang:-Werror=global-constructors")
string(JOIN " " _ostrevane_flags ${_ostrevane_flags})
set(CMAKE_C_FLAGS_INIT "${_ostrevane_flags}")
set(CMAKE_CXX_FLAGS_INIT "${_ostrevane_flags}")
# llvm-rc preprocesses with clang itself: it needs Wine's SDK headers for <winver.h>/<windows.h>.
set(CMAKE_RC_FLAGS_INIT "-I ${OSTREVANE_WINE_INCLUDE}/windows -I ${OSTREVANE_WINE_INCLUDE}/msvcrt")

# CMake names user32 as user32.lib, and lld-link 14 finds only that name (/libpath to Wine's
# libuser32.a does not do, with -lldmingw neither): a directory of NAME.lib links to Wine's
# libNAME.a lets target_link_libraries(x user32 gdi32) work unchanged.
set(_ostrevane_libs ${CMAKE_BINARY_DIR}/wine-import-libs)
file(MAKE_DIRECTORY ${_ostrevane_libs})
file(GLOB _ostrevane_archives ${OSTREVANE_WINE_LIBS}/lib*.a)
foreach(archive ${_ostrevane_archives})
  get_filename_component(name ${archive} NAME_WE)
  string(REGEX REPLACE "^lib" "" name ${name})
  if(NOT EXISTS ${_ostrevane_libs}/${name}.lib)
    file(CREATE_LINK ${archive} ${_ostrevane_libs}/${name}.lib SYMBOLIC)
  endif()
endforeach()

# Wine's CRT start-up (in its ucrtbase import library) calls main, and its own main calls WinMain
# for a GUI program, so one entry point serves both. ucrtbase: Wine's CRT headers declare the
# Universal CRT (trunc, and printf through __stdio_common_vfprintf, are not in msvcrt.dll).
# winecrt0 defines _fltused, the marker clang-cl references from every object using floating
# point. No manifest from the linker: llvm-mt cannot embed one into an exe (it ignores
# /outputresource); the program's own manifest is a resource of app/ostrevane.rc, which llvm-rc
# compiles.
set(CMAKE_EXE_LINKER_FLAGS_INIT
    "/libpath:${_ostrevane_libs} /entry:mainCRTStartup /defaultlib:ucrtbase.lib /defaultlib:winecrt0.lib /manifest:no")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "/libpath:${_ostrevane_libs} /manifest:no")
