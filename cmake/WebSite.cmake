# The browser edition's site, laid out by `cmake --install <build> --prefix <site>`
# (tools/build-web.sh: build-web/site/): every file a page loads, side by side, as a web server
# serves them. A page or a program joins the site with one call below, where it is defined.

# The base64 of bytes written in hexadecimal, as file(READ ... HEX) and string(SHA256) give them.
function(klb_base64 hex out)
  set(alphabet "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/")
  string(LENGTH "${hex}" length)
  set(text "")
  set(at 0)
  while(at LESS length)
    # Three bytes make four characters; a last group of one or two is padded with "=".
    string(SUBSTRING "${hex}" ${at} 6 group)
    string(LENGTH "${group}" digits)
    math(EXPR kept "${digits} / 2 + 1")
    string(SUBSTRING "${group}000000" 0 6 group)
    math(EXPR value "0x${group}")
    foreach(shift 18 12 6 0)
      if(kept GREATER 0)
        math(EXPR index "(${value} >> ${shift}) & 63")
        string(SUBSTRING "${alphabet}" ${index} 1 character)
        string(APPEND text "${character}")
        math(EXPR kept "${kept} - 1")
      else()
        string(APPEND text "=")
      endif()
    endforeach()
    math(EXPR at "${at} + 6")
  endwhile()
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

# A program of the site: its page, its JavaScript and the WebAssembly module that the JavaScript
# loads.
#
#   klb_site_program(<target> PAGE <page>.html.in [PICTURES])
#
# The page is configured into <page>.html: @KLB_EARLY@ becomes ui/web/early.js, written inside
# the page for the program's module, and @KLB_EARLY_HASH@ its hash, which the page's policy
# allows; with PICTURES, every assets/<name>.png goes before it, in base64, in a data block that
# early.js decodes at once. The pictures come in the page, as the desktop programs carry
# theirs: ten small files would each take a request, and queue behind the module and the fonts
# on a first visit.
function(klb_site_program target)
  cmake_parse_arguments(PARSE_ARGV 1 arg "PICTURES" "PAGE" "")
  if(NOT TARGET ${target} OR NOT arg_PAGE OR arg_UNPARSED_ARGUMENTS)
    message(FATAL_ERROR "klb_site_program(<target> PAGE <page>.html.in [PICTURES]): ${ARGV}")
  endif()
  set(pictures "")
  if(arg_PICTURES)
    file(GLOB files CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/assets/*.png)
    foreach(file IN LISTS files)
      get_filename_component(name ${file} NAME_WE)
      file(READ ${file} bytes HEX)
      klb_base64("${bytes}" text)
      list(APPEND pictures "\"${name}\": \"${text}\"")
    endforeach()
    list(JOIN pictures ",\n" pictures)
    set(pictures "<script type=\"application/json\" id=\"klb-pictures\">{\n${pictures}\n}</script>\n")
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${files})
  endif()
  set(early_file ${PROJECT_SOURCE_DIR}/ui/web/early.js)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${early_file})
  file(READ ${early_file} early)
  string(SHA256 hash "${early}")
  klb_base64(${hash} KLB_EARLY_HASH)
  get_target_property(module ${target} OUTPUT_NAME)
  set(KLB_EARLY "${pictures}<script data-module=\"${module}.wasm\">${early}</script>")
  get_filename_component(page ${arg_PAGE} NAME)
  string(REGEX REPLACE "[.]in$" "" page ${page})
  configure_file(${arg_PAGE} ${CMAKE_CURRENT_BINARY_DIR}/site/${page} @ONLY)
  install(FILES ${CMAKE_CURRENT_BINARY_DIR}/site/${page} DESTINATION .)

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
