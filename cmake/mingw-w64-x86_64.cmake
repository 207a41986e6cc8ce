# Cross-building the Windows program with MinGW-w64 (Debian g++-mingw-w64-x86-64-posix):
#   cmake -S . -B build-windows -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
# Tests run under Wine through CTest's emulator (wine64 is not on Debian's PATH).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(ORVANE_MINGW_PREFIX x86_64-w64-mingw32)

find_program(CMAKE_C_COMPILER NAMES ${ORVANE_MINGW_PREFIX}-gcc-posix ${ORVANE_MINGW_PREFIX}-gcc)
find_program(CMAKE_CXX_COMPILER NAMES ${ORVANE_MINGW_PREFIX}-g++-posix ${ORVANE_MINGW_PREFIX}-g++)
find_program(CMAKE_RC_COMPILER NAMES ${ORVANE_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${ORVANE_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

find_program(ORVANE_WINE NAMES wine64 PATHS /usr/lib/wine NO_DEFAULT_PATH)
if(NOT ORVANE_WINE)
  find_program(ORVANE_WINE NAMES wine64 wine)
endif()
if(ORVANE_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${ORVANE_WINE})
endif()
