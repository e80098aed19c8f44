# What a Windows program of Klimbor carries besides its code, compiled by windres (CMake's RC
# language, which the top-level CMakeLists enables on Windows):
#
#   klb_windows_resources(<target> OUTPUT_NAME <name> DESCRIPTION <text> [PICTURES])
#
# adds to <target> a resource script holding
#   - the icon, ICON 1, from assets/win32/klimbor.ico;
#   - a French VERSIONINFO: the project's version, DESCRIPTION as FileDescription, OUTPUT_NAME as
#     InternalName and "<OUTPUT_NAME>.exe" as OriginalFilename;
#   - the manifest, RT_MANIFEST 1: supported Windows, visual styles, per-monitor DPI awareness;
#   - with PICTURES, every assets/win32/<name>.bmp as the BITMAP named <NAME> in capitals
#     (spider_blue_0.bmp is "SPIDER_BLUE_0").
#
# The manifest has no trustInfo (no requestedExecutionLevel) on purpose: a 32-bit program
# without one is virtualised by UAC, so a standard user's "C:\scores klimbor" goes to the
# VirtualStore, where older programs' tables already are, instead of being refused.
include_guard(GLOBAL)

get_filename_component(KLB_WINDOWS_RESOURCES_ROOT "${CMAKE_CURRENT_LIST_DIR}/.." ABSOLUTE)

function(klb_windows_resources target)
  cmake_parse_arguments(PARSE_ARGV 1 arg "PICTURES" "OUTPUT_NAME;DESCRIPTION" "")
  if(NOT TARGET ${target} OR arg_UNPARSED_ARGUMENTS OR "${arg_OUTPUT_NAME}" STREQUAL ""
      OR "${arg_DESCRIPTION}" STREQUAL "")
    message(FATAL_ERROR "klb_windows_resources(<target> OUTPUT_NAME <name> DESCRIPTION <text> "
      "[PICTURES]): ${ARGV}")
  endif()
  # OriginalFilename must be the file's real name.
  get_target_property(output_name ${target} OUTPUT_NAME)
  if(output_name AND NOT output_name STREQUAL arg_OUTPUT_NAME)
    message(FATAL_ERROR "klb_windows_resources: ${target} is built as \"${output_name}.exe\", "
      "not \"${arg_OUTPUT_NAME}.exe\"")
  endif()

  set(root ${KLB_WINDOWS_RESOURCES_ROOT})
  set(templates ${root}/apps/win32)
  set(out ${CMAKE_CURRENT_BINARY_DIR}/${target}_resources)

  # Inside an .rc string a quote is written twice.
  string(REPLACE "\"" "\"\"" KLB_RC_DESCRIPTION "${arg_DESCRIPTION}")
  set(KLB_RC_OUTPUT_NAME "${arg_OUTPUT_NAME}")
  # Four numbers, the missing ones 0 (unset parts of the version are empty and drop out).
  set(version ${PROJECT_VERSION_MAJOR} ${PROJECT_VERSION_MINOR} ${PROJECT_VERSION_PATCH}
    ${PROJECT_VERSION_TWEAK} 0 0 0 0)
  list(SUBLIST version 0 4 version)
  list(JOIN version "," KLB_RC_VERSION_COMMAS)
  list(JOIN version "." KLB_RC_VERSION4)
  # The assembly is named like the AppStream id (example.klimbor.klimbor).
  string(TOLOWER "example.klimbor.${target}" KLB_RC_ASSEMBLY)
  string(REPLACE "_" "-" KLB_RC_ASSEMBLY "${KLB_RC_ASSEMBLY}")
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(KLB_RC_ARCH amd64)
  else()
    set(KLB_RC_ARCH x86)
  endif()

  set(KLB_RC_ICON ${root}/assets/win32/klimbor.ico)
  set(KLB_RC_MANIFEST ${out}.manifest)
  set(depends ${KLB_RC_ICON} ${KLB_RC_MANIFEST})
  set(KLB_RC_PICTURES "")
  if(arg_PICTURES)
    file(GLOB pictures CONFIGURE_DEPENDS ${root}/assets/win32/*.bmp)
    if(NOT pictures)
      message(FATAL_ERROR "klb_windows_resources: no picture in ${root}/assets/win32 "
        "(tools/make_pictures.py writes them)")
    endif()
    list(SORT pictures)
    string(APPEND KLB_RC_PICTURES "\n// The artwork, named like the pictures in capitals.\n")
    foreach(picture IN LISTS pictures)
      get_filename_component(name ${picture} NAME_WE)
      string(TOUPPER ${name} name)
      string(APPEND KLB_RC_PICTURES "${name} BITMAP \"${picture}\"\n")
    endforeach()
    list(APPEND depends ${pictures})
  endif()

  configure_file(${templates}/program.manifest.in ${KLB_RC_MANIFEST} @ONLY)
  configure_file(${templates}/resources.rc.in ${out}.rc @ONLY)
  # windres reads these files itself: rebuild the resources when one changes.
  set_source_files_properties(${out}.rc TARGET_DIRECTORY ${target}
    PROPERTIES OBJECT_DEPENDS "${depends}")
  target_sources(${target} PRIVATE ${out}.rc)
endfunction()
