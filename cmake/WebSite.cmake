# The browser edition's site, laid out by `cmake --install <build> --prefix <site>`
# (tools/build-web.sh: build-web/site/): every file a page loads, side by side, as a web server
# serves them. A page or a program joins the site with one call below, where it is defined.

# A program of the site: its JavaScript and the WebAssembly module that the JavaScript loads.
#
#   klb_site_program(<target> [PICTURES])
#
# The script starts with ui/web/pre.js.in, which waits for the fonts and, with PICTURES, for
# every assets/<name>.png, carried in the script itself as the desktop programs carry theirs:
# ten small files would each take a request, and queue behind the module and the fonts on a
# first visit. A program that draws no picture (the viewer) is not made to load the game's.
function(klb_site_program target)
  cmake_parse_arguments(PARSE_ARGV 1 arg "PICTURES" "" "")
  if(NOT TARGET ${target} OR arg_UNPARSED_ARGUMENTS)
    message(FATAL_ERROR "klb_site_program(<target> [PICTURES]): ${ARGV}")
  endif()
  set(entries "")
  if(arg_PICTURES)
    file(GLOB pictures CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/assets/*.png)
    foreach(picture IN LISTS pictures)
      get_filename_component(name ${picture} NAME_WE)
      file(READ ${picture} bytes HEX)
      list(APPEND entries "  '${name}': '${bytes}'")
    endforeach()
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${pictures})
  endif()
  list(JOIN entries ",\n" KLB_PICTURES)
  set(pre ${CMAKE_CURRENT_BINARY_DIR}/${target}_pre.js)
  configure_file(${PROJECT_SOURCE_DIR}/ui/web/pre.js.in ${pre} @ONLY)
  target_link_options(${target} PRIVATE "SHELL:--pre-js ${pre}")
  set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${pre})

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
