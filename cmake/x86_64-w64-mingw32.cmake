# 64-bit Windows: the same code, for a Wine that cannot run 32-bit programs (a kernel without
# 32-bit user code).
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(KLB_MINGW_TRIPLET x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
