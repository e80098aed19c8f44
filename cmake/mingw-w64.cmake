# Cross-building for Windows with Debian's mingw-w64 (the POSIX thread model, which C++ threads
# need). Included by the toolchain file of one architecture, which sets KLB_MINGW_TRIPLET.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER ${KLB_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${KLB_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${KLB_MINGW_TRIPLET}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${KLB_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# No DLL beside the programs: libstdc++, libgcc and winpthread go into each executable.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
# Unicode entry points and wide Win32 calls everywhere; Vista is the oldest Windows supported.
set(CMAKE_CXX_FLAGS_INIT "-DUNICODE -D_UNICODE -D_WIN32_WINNT=0x0600 -DNOMINMAX -DWIN32_LEAN_AND_MEAN")
