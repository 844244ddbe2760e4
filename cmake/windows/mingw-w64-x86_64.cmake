# Cross-compiling for 64-bit Windows with Debian's MinGW-w64 (posix threads, which Qt needs).
# scripts/windows-deps builds Qt with this file; the windows preset reaches it
# through Qt's own qt.toolchain.cmake.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(ZX_MINGW_TRIPLE x86_64-w64-mingw32)

set(CMAKE_C_COMPILER ${ZX_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ZX_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${ZX_MINGW_TRIPLE}-windres)
set(CMAKE_AR ${ZX_MINGW_TRIPLE}-gcc-ar-posix CACHE FILEPATH "")
set(CMAKE_RANLIB ${ZX_MINGW_TRIPLE}-gcc-ranlib-posix CACHE FILEPATH "")

# Headers and libraries only from the MinGW sysroot (and, added by Qt's toolchain file, the
# cached Windows prefix); programs from the build machine.
list(APPEND CMAKE_FIND_ROOT_PATH /usr/${ZX_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
