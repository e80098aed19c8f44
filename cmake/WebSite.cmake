# The browser edition's site, laid out by `cmake --install <build> --prefix <site>`
# (tools/build-web.sh: build-web/site/): every file a page loads, side by side, as a web server
# serves them. A page or a program joins the site with one call below, where it is defined.

# A program of the site: its JavaScript and the WebAssembly module that the JavaScript loads.
function(klb_site_program target)
  install(TARGETS ${target} RUNTIME DESTINATION .)
  install(FILES "$<TARGET_FILE_DIR:${target}>/$<TARGET_FILE_BASE_NAME:${target}>.wasm"
    DESTINATION .)
endfunction()

# Pages and what they load (manifest, service worker, pictures), as they are in the tree.
function(klb_site_files)
  install(FILES ${ARGN} DESTINATION .)
endfunction()

# The service worker, which keeps the whole site for playing offline: written once every other
# file of the site is laid out, so call it after every page and program has joined the site.
function(klb_site_service_worker template)
  install(CODE "execute_process(COMMAND \"${CMAKE_COMMAND}\"
    \"-DSITE=\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}\" \"-DTEMPLATE=${template}\"
    -P \"${CMAKE_CURRENT_FUNCTION_LIST_DIR}/SiteServiceWorker.cmake\" COMMAND_ERROR_IS_FATAL ANY)")
endfunction()
