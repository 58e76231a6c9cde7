# Cross-compiles CVCFG's command line for 64-bit Windows with Debian's
# MinGW-w64 (package mingw-w64); the programs run on Windows or under Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(CVCFG_MINGW_TRIPLE x86_64-w64-mingw32)
# The POSIX thread model: GCC 12's std::thread and std::mutex need it.
set(CMAKE_C_COMPILER ${CVCFG_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${CVCFG_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${CVCFG_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${CVCFG_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# A program that runs by itself on a Windows machine: the C++ runtime and
# the threads library are linked in, not left as DLLs beside it.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
# MinGW's GCC 12 warns of overlapping copies inside the standard library's
# own string appends (GCC bug 105651), a false alarm that warnings as errors
# would stop on.
set(CMAKE_CXX_FLAGS_INIT "-Wno-restrict")
