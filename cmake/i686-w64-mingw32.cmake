# 32-bit Windows, the platform the programs are made for.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(KLB_MINGW_TRIPLET i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
