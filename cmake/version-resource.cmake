# The version resource of ostrevane.exe (app/ostrevane.rc). OSTREVANE_VERSION names the version;
# left empty, it is read from the source tree when CMake configures (make dist always passes it).
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
  message(STATUS "Ostrevane version ${version} (${major}.${minor}.${patch}.${commits})")
endfunction()
