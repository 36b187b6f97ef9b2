# The viewer as a Linux desktop installs it (cmake --install, GNUInstallDirs): the program, its
# desktop entry and icons, the AppStream metadata, the manual page, the README and the licence.
# The icons are made at build time by make_icons from the core, as the exe's is.
if(NOT TARGET ostrevane)
  return()
endif()

include(GNUInstallDirs)
include(${CMAKE_CURRENT_LIST_DIR}/source-version.cmake)

# The AppStream id, also the desktop entry's name. The project's public home, where the metadata
# points software centres for its page and screenshots.
set(OSTREVANE_APP_ID io.github.ostrevane.ostrevane)
set(OSTREVANE_HOMEPAGE https://github.com/ostrevane/ostrevane)
set(OSTREVANE_HOMEPAGE_FILES https://raw.githubusercontent.com/ostrevane/ostrevane/main)

# The release's version and date, as in the Windows version resource: read when CMake configures.
set(OSTREVANE_VERSION "" CACHE STRING "Version string of the program; empty: from the source tree")
set(OSTREVANE_RELEASE "${OSTREVANE_VERSION}")
if(OSTREVANE_RELEASE STREQUAL "")
  ostrevane_source_version("${PROJECT_SOURCE_DIR}" OSTREVANE_RELEASE)
endif()
ostrevane_source_epoch("${PROJECT_SOURCE_DIR}" epoch)
set(saved_epoch "$ENV{SOURCE_DATE_EPOCH}")
set(ENV{SOURCE_DATE_EPOCH} "${epoch}")  # string(TIMESTAMP) formats that date, not today's
string(TIMESTAMP OSTREVANE_RELEASE_DATE "%Y-%m-%d" UTC)
set(ENV{SOURCE_DATE_EPOCH} "${saved_epoch}")
set(desktop_out ${CMAKE_CURRENT_BINARY_DIR}/desktop)
configure_file(${PROJECT_SOURCE_DIR}/app/ostrevane.metainfo.xml.in
               ${desktop_out}/${OSTREVANE_APP_ID}.metainfo.xml @ONLY)
configure_file(${PROJECT_SOURCE_DIR}/app/ostrevane.1.in ${desktop_out}/ostrevane.1 @ONLY)

set(sizes 16 24 32 48 64 128 256)
set(pngs "")
foreach(size ${sizes})
  list(APPEND pngs ${desktop_out}/icons/${size}x${size}/apps/ostrevane.png)
endforeach()
add_custom_command(OUTPUT ${pngs} COMMAND make_icons png ${desktop_out}/icons DEPENDS make_icons
                   COMMENT "The desktop's icons from the core")
add_custom_target(desktop_icons ALL DEPENDS ${pngs})

install(TARGETS ostrevane RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${PROJECT_SOURCE_DIR}/app/ostrevane.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications RENAME ${OSTREVANE_APP_ID}.desktop)
install(DIRECTORY ${desktop_out}/icons/ DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor)
install(FILES ${desktop_out}/${OSTREVANE_APP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${desktop_out}/ostrevane.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
# Named for the program, not for the project (GNUInstallDirs' DOCDIR would be doc/Ostrevane).
install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/LICENSE
        DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/ostrevane)
