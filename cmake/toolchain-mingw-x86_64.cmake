# 64-bit MinGW-w64 cross build. The -posix compilers: GoogleTest needs std::mutex.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

find_program(OSTREVANE_MINGW_CXX x86_64-w64-mingw32-g++-posix)
if(NOT OSTREVANE_MINGW_CXX)
  message(FATAL_ERROR "x86_64-w64-mingw32-g++-posix not found: install g++-mingw-w64-x86-64-posix")
endif()
set(CMAKE_CXX_COMPILER ${OSTREVANE_MINGW_CXX})
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)

set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# Static: the exe runs with no libstdc++, libgcc or winpthread DLL beside it.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
