# The web build's site, build/web/site: the page, its module, the program and the files that make
# it an installable web app, servable as they are by any static server. The program's one wait
# (portable_win32/hosts/web.cpp) is made resumable by binaryen's asyncify; calls through function
# pointers (the window procedure, the raster kernels) never wait, so asyncify leaves them, and all
# the drawing under them, as they are. The C and C++ libraries' debug information, which Debian
# builds them with, is left out: two thirds of the module.
set(OSTREVANE_SITE ${CMAKE_BINARY_DIR}/site)
set(site_pages index.html ostrevane.js manifest.webmanifest sw.js)
list(TRANSFORM site_pages PREPEND ${PROJECT_SOURCE_DIR}/web/ OUTPUT_VARIABLE site_sources)

add_custom_command(
  OUTPUT ${OSTREVANE_SITE}/ostrevane.wasm
  COMMAND ${CMAKE_COMMAND} -E make_directory ${OSTREVANE_SITE}
  COMMAND ${OSTREVANE_WASM_OPT} $<TARGET_FILE:ostrevane> --asyncify
          --pass-arg=asyncify-imports@ostrevane.wait --pass-arg=asyncify-ignore-indirect -O2
          --strip-debug
          -o ${OSTREVANE_SITE}/ostrevane.wasm
  DEPENDS ostrevane
  COMMENT "Asyncify the program's wait: ostrevane.wasm")
# The icons of an installable web app, made from the core by make_icons, run like the tests.
add_custom_command(
  OUTPUT ${OSTREVANE_SITE}/icon-192.png ${OSTREVANE_SITE}/icon-512.png
  COMMAND ${CMAKE_COMMAND} -E make_directory ${OSTREVANE_SITE}
  COMMAND ${CMAKE_CROSSCOMPILING_EMULATOR} $<TARGET_FILE:make_icons> web ${OSTREVANE_SITE}
  DEPENDS make_icons
  COMMENT "The page's icons from the core")
add_custom_command(
  OUTPUT ${OSTREVANE_SITE}/index.html ${OSTREVANE_SITE}/sw.js
  COMMAND ${CMAKE_COMMAND} -DSOURCE=${PROJECT_SOURCE_DIR} -DSITE=${OSTREVANE_SITE}
          -P ${PROJECT_SOURCE_DIR}/cmake/make-site.cmake
  DEPENDS ${site_sources} ${OSTREVANE_SITE}/ostrevane.wasm ${OSTREVANE_SITE}/icon-512.png
          ${PROJECT_SOURCE_DIR}/app/ostrevane.ico
          ${PROJECT_SOURCE_DIR}/cmake/make-site.cmake
  COMMENT "The site: build/web/site")
add_custom_target(site ALL DEPENDS ${OSTREVANE_SITE}/index.html ${OSTREVANE_SITE}/sw.js)
