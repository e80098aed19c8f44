# Writes <SITE>/sw.js from TEMPLATE (ui/web/sw.js.in): the list of every file of the site, and
# the site's version, a hash of all of them and of the template, so that a site changed in any
# file gets a cache of its own that replaces the old one.
#   cmake -DSITE=<folder> -DTEMPLATE=<sw.js.in> -P cmake/SiteServiceWorker.cmake
# The install runs it last (klb_site_service_worker in cmake/WebSite.cmake).
file(REAL_PATH "${SITE}" SITE)
file(GLOB_RECURSE files LIST_DIRECTORIES false RELATIVE "${SITE}" "${SITE}/*")
list(REMOVE_ITEM files sw.js)
list(SORT files)
file(READ "${TEMPLATE}" contents)
# The folder itself, as a visitor types it, is the game's page.
set(names "'./'")
foreach(name IN LISTS files)
  file(SHA256 "${SITE}/${name}" hash)
  string(APPEND contents "${hash} ${name}\n")
  list(APPEND names "'${name}'")
endforeach()
string(SHA256 hash "${contents}")
string(SUBSTRING "${hash}" 0 16 KLB_SITE_VERSION)
list(JOIN names ",\n  " KLB_SITE_FILES)
configure_file("${TEMPLATE}" "${SITE}/sw.js" @ONLY)
