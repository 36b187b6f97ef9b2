# OSTREVANE_REPRODUCIBLE (make dist turns it on): the same sources give the same exe to the byte,
# wherever they are built and whenever. Options of GCC and MinGW's ld, which clang's GNU driver and
# lld's MinGW driver take too; nothing yet for clang-cl or MSVC.
option(OSTREVANE_REPRODUCIBLE "Build without time stamps or build paths in the outputs" OFF)

if(OSTREVANE_REPRODUCIBLE AND NOT CMAKE_CXX_COMPILER_FRONTEND_VARIANT STREQUAL "MSVC")
  # __FILE__ and debug information name sources relative to the tree, not where it was unpacked.
  # No trailing slash: the compiler's working directory (the build folder) is recorded too. The
  # build folder comes second: GCC takes the last mapping that matches, and it may lie inside the
  # source tree.
  add_compile_options(
    "$<$<COMPILE_LANGUAGE:C,CXX>:-ffile-prefix-map=${CMAKE_SOURCE_DIR}=.>"
    "$<$<COMPILE_LANGUAGE:C,CXX>:-ffile-prefix-map=${CMAKE_BINARY_DIR}=.>")
  if(MINGW)
    # ld writes the link time into the PE header (and so into its checksum) unless told not to.
    add_link_options(-Wl,--no-insert-timestamp)
  endif()
endif()
