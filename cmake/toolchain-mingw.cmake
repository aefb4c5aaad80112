# Windows programs built with mingw-w64 for KORV_WINDOWS_ARCH (x86_64 or i686, set by the
# preset). Tests run under Wine through the project's wrapper (see cmake/wine-session.sh),
# with Wine's loader for the programs' word size.
if(NOT KORV_WINDOWS_ARCH MATCHES "^(x86_64|i686)$")
  message(FATAL_ERROR "KORV_WINDOWS_ARCH must be x86_64 or i686")
endif()
# The compiler checks CMake makes read this file again and need the same choice.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES KORV_WINDOWS_ARCH)
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${KORV_WINDOWS_ARCH})
set(CMAKE_C_COMPILER ${KORV_WINDOWS_ARCH}-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER ${KORV_WINDOWS_ARCH}-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER ${KORV_WINDOWS_ARCH}-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${KORV_WINDOWS_ARCH}-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
if(KORV_WINDOWS_ARCH STREQUAL "i686")
  set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/wine-exec.sh /usr/lib/wine/wine)
else()
  set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/wine-exec.sh /usr/lib/wine/wine64)
endif()
