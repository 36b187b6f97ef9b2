# The version of the source tree: `git describe` of a checkout, else the first line of the VERSION
# file that a source archive carries. The hash is abbreviated to a fixed 12 digits, not to whatever
# is unique in this clone, so the same commit always gives the same name.
#
# Included: ostrevane_source_version(DIR OUT) sets OUT to the version string, and
# ostrevane_source_epoch(DIR OUT) to the tree's date.
# As a script, `cmake -P cmake/source-version.cmake` prints the version (make dist names the zip
# with it); with -DOSTREVANE_PRINT=epoch before -P, the date.

function(ostrevane_source_version dir out)
  set(version "")
  # Only this tree's own checkout: an archive unpacked inside some other repository is not it.
  if(EXISTS "${dir}/.git")
    find_program(OSTREVANE_GIT git)
    if(OSTREVANE_GIT)
      execute_process(COMMAND "${OSTREVANE_GIT}" describe --always --dirty --abbrev=12
                      WORKING_DIRECTORY "${dir}"
                      OUTPUT_VARIABLE version OUTPUT_STRIP_TRAILING_WHITESPACE
                      RESULT_VARIABLE rc ERROR_QUIET)
      if(NOT rc EQUAL 0)
        set(version "")
      endif()
    endif()
  endif()
  if(version STREQUAL "" AND EXISTS "${dir}/VERSION")
    file(STRINGS "${dir}/VERSION" version LIMIT_COUNT 1)
    string(STRIP "${version}" version)
  endif()
  if(version STREQUAL "")
    message(FATAL_ERROR "No version for ${dir}: neither a git checkout nor a VERSION file")
  endif()
  # It names a file and goes into a resource string: keep it to a safe alphabet.
  if(NOT version MATCHES "^[A-Za-z0-9._+-]+$")
    message(FATAL_ERROR "Version '${version}' may hold only letters, digits and . _ + -")
  endif()
  set(${out} "${version}" PARENT_SCOPE)
endfunction()

# The tree's date in seconds since 1970, which every date in a release is: SOURCE_DATE_EPOCH when
# set, else the commit's date in a checkout, else the VERSION file's in a source archive.
function(ostrevane_source_epoch dir out)
  set(epoch "$ENV{SOURCE_DATE_EPOCH}")
  if(epoch STREQUAL "" AND EXISTS "${dir}/.git")
    find_program(OSTREVANE_GIT git)
    if(OSTREVANE_GIT)
      execute_process(COMMAND "${OSTREVANE_GIT}" log -1 --format=%ct WORKING_DIRECTORY "${dir}"
                      OUTPUT_VARIABLE epoch OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
    endif()
  endif()
  if(epoch STREQUAL "" AND EXISTS "${dir}/VERSION")
    file(TIMESTAMP "${dir}/VERSION" epoch "%s" UTC)
  endif()
  if(NOT epoch MATCHES "^[0-9]+$")
    message(FATAL_ERROR "No date for ${dir}: SOURCE_DATE_EPOCH '${epoch}' is not a count of seconds")
  endif()
  set(${out} "${epoch}" PARENT_SCOPE)
endfunction()

# The four 16-bit numbers of a Windows version resource: from a tag such as v1.2.3 or 1.2 (the
# fourth number counts the commits since the tag), else 0.0.0.0 for an untagged commit.
function(ostrevane_version_numbers version out)
  set(numbers 0 0 0 0)
  if(version MATCHES "^v?([0-9]+)\\.([0-9]+)(\\.([0-9]+))?(-([0-9]+)-g[0-9a-f]+)?")
    set(numbers "")
    foreach(i 1 2 4 6)
      set(n "${CMAKE_MATCH_${i}}")
      if(n STREQUAL "")
        set(n 0)
      elseif(n GREATER 65535)
        message(FATAL_ERROR "Version '${version}': ${n} does not fit a version resource")
      endif()
      list(APPEND numbers ${n})
    endforeach()
  endif()
  set(${out} "${numbers}" PARENT_SCOPE)
endfunction()

if(CMAKE_SCRIPT_MODE_FILE STREQUAL CMAKE_CURRENT_LIST_FILE)
  get_filename_component(source_dir "${CMAKE_CURRENT_LIST_DIR}/.." ABSOLUTE)
  if(OSTREVANE_PRINT STREQUAL "epoch")
    ostrevane_source_epoch("${source_dir}" value)
  else()
    ostrevane_source_version("${source_dir}" value)
  endif()
  execute_process(COMMAND "${CMAKE_COMMAND}" -E echo "${value}")
endif()
