# WASI for CMake versions that do not know it (the wasm32-wasi toolchain file adds this folder):
# programs are WebAssembly modules, named as the browser and Node expect them.
set(CMAKE_EXECUTABLE_SUFFIX .wasm)
