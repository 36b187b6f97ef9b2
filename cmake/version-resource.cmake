# The version resource of ostrevane.exe (app/ostrevane.rc), and the application manifest and icon
# that the same .rc embeds. OSTREVANE_VERSION names the version; left empty, it is read from the
# source tree when CMake configures (make dist always passes it).
set(OSTREVANE_VERSION "" CACHE STRING "Version string of the program; empty: from the source tree")

enable_language(RC)
include(${CMAKE_CURRENT_LIST_DIR}/source-version.cmake)

function(ostrevane_add_version_resource target)
  set(version "${OSTREVANE_VERSION}")
  if(version STREQUAL "")
    ostrevane_source_version("${PROJECT_SOURCE_DIR}" version)
  endif()
  ostrevane_version_numbers("${version}" numbers)
  list(GET numbers 0 major)
  list(GET numbers 1 minor)
  list(GET numbers 2 patch)
  list(GET numbers 3 commits)
  set(rc "${PROJECT_SOURCE_DIR}/app/ostrevane.rc")
  target_sources(${target} PRIVATE "${rc}")
  set_property(SOURCE "${rc}" APPEND PROPERTY COMPILE_DEFINITIONS
               OSTREVANE_VERSION=${version}
               OSTREVANE_VERSION_MAJOR=${major} OSTREVANE_VERSION_MINOR=${minor}
               OSTREVANE_VERSION_PATCH=${patch} OSTREVANE_VERSION_COMMITS=${commits})

  # The manifest's assembly version is the version resource's four numbers. windres, llvm-rc and
  # rc.exe all look for the files an .rc names beside it and then in its include folders.
  set(OSTREVANE_MANIFEST_VERSION "${major}.${minor}.${patch}.${commits}")
  set(manifest "${CMAKE_CURRENT_BINARY_DIR}/ostrevane.manifest")
  configure_file("${PROJECT_SOURCE_DIR}/app/ostrevane.manifest.in" "${manifest}" @ONLY)
  target_include_directories(${target} PRIVATE "${CMAKE_CURRENT_BINARY_DIR}")
  set_property(SOURCE "${rc}" APPEND PROPERTY OBJECT_DEPENDS
               "${manifest}" "${PROJECT_SOURCE_DIR}/app/ostrevane.ico")
  if(MSVC)
    # MSVC's link.exe (and lld-link) would add a manifest of its own, also resource 1 of type 24,
    # which clashes with the .rc's: the exe must carry exactly one. With /MANIFEST:NO the
    # Visual Studio generator also turns off its manifest tool. Written for MSVC but not tried
    # with it; clang-cl with lld-link builds this way here.
    target_link_options(${target} PRIVATE /MANIFEST:NO)
  endif()
  message(STATUS "Ostrevane version ${version} (${major}.${minor}.${patch}.${commits})")
endfunction()
