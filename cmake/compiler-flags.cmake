# Warnings, and the floating-point contract that the picture's exactness rests on, for every
# compiler the build accepts (GCC, clang, clang-cl, MSVC):
# - no contraction of a * b + c into a fused multiply-add, whatever instructions the target has;
# - SSE2 arithmetic on x86, never the x87 stack with its wider intermediate results;
# - nothing that relaxes IEEE rules: no fast-math, no flush-to-zero.
# The vector kernels are x86 code, NEON on 64-bit ARM (part of every such CPU: no flag needed), and
# WebAssembly's SIMD in the wasm32 build; other CPUs build the scalar reference alone.

if(CMAKE_SYSTEM_PROCESSOR MATCHES "^(x86_64|AMD64|amd64|x64)$")
  set(OSTREVANE_X86 ON)
else()
  set(OSTREVANE_X86 OFF)
endif()

if(CMAKE_SYSTEM_PROCESSOR MATCHES "^(aarch64|arm64|ARM64)$")
  set(OSTREVANE_NEON ON)
else()
  set(OSTREVANE_NEON OFF)
endif()

set(OSTREVANE_SIMD128 OFF)
if(CMAKE_SYSTEM_PROCESSOR STREQUAL "wasm32")
  # Engines without it refuse a module that uses it anywhere: one switch for the whole build.
  option(OSTREVANE_WASM_SIMD "Build for WebAssembly's 128-bit SIMD" ON)
  set(OSTREVANE_SIMD128 ${OSTREVANE_WASM_SIMD})
endif()

if(CMAKE_CXX_COMPILER_FRONTEND_VARIANT STREQUAL "MSVC")  # MSVC, and clang-cl
  # x64 code is SSE2 for float and double already.
  if(CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    # clang-cl's /fp:precise means -ffp-contract=on, and /arch:AVX2 brings FMA with it.
    add_compile_options(/W4 /fp:precise /clang:-ffp-contract=off)
  elseif(MSVC_VERSION LESS 1930)
    # Before Visual Studio 2022, /fp:precise contracted once /arch:AVX2 allowed FMA.
    add_compile_options(/W4 /fp:strict)
  else()
    add_compile_options(/W4 /fp:precise)
  endif()
  set(OSTREVANE_AVX2_OPTIONS /arch:AVX2)
  set(OSTREVANE_AVX512_OPTIONS /arch:AVX512)
else()
  add_compile_options(-Wall -Wextra -ffp-contract=off -fno-fast-math)
  if(OSTREVANE_X86)
    add_compile_options(-msse2 -mfpmath=sse)
  endif()
  if(OSTREVANE_SIMD128)
    add_compile_options(-msimd128)
  endif()
  if(MINGW AND CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    # Win64 gives only 16-byte stack alignment, which GCC assumes is 32 or 64 for a spilled
    # 256- or 512-bit value; GNU as can emit unaligned moves instead. clang realigns the stack.
    set(OSTREVANE_AVX2_OPTIONS -mavx2 -Wa,-muse-unaligned-vector-move)
    set(OSTREVANE_AVX512_OPTIONS -mavx512f -mavx512bw -mavx512vl -Wa,-muse-unaligned-vector-move)
  else()
    set(OSTREVANE_AVX2_OPTIONS -mavx2)
    set(OSTREVANE_AVX512_OPTIONS -mavx512f -mavx512bw -mavx512vl)
  endif()
endif()
