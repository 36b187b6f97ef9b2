# cmake -DSOURCE=DIR -DSITE=DIR -P make-site.cmake: copies the page's files into the site beside
# the program's module, and writes the service worker with the list of them and a hash of them
# all, so that a changed site installs a new worker and the new files.
set(files index.html ostrevane.js manifest.webmanifest)
foreach(file ${files})
  configure_file(${SOURCE}/web/${file} ${SITE}/${file} COPYONLY)
endforeach()
configure_file(${SOURCE}/app/ostrevane.ico ${SITE}/favicon.ico COPYONLY)
list(APPEND files favicon.ico icon-192.png icon-512.png ostrevane.wasm)

set(hashes "")
set(SITE_FILES "'./'")
foreach(file ${files})
  file(SHA256 ${SITE}/${file} hash)
  string(APPEND hashes "${hash} ${file}\n")
  string(APPEND SITE_FILES ", '${file}'")
endforeach()
string(SHA256 SITE_HASH "${hashes}")
string(SUBSTRING ${SITE_HASH} 0 16 SITE_HASH)
configure_file(${SOURCE}/web/sw.js ${SITE}/sw.js @ONLY)
