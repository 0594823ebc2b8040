# Cross-builds for 32-bit Windows with Debian's mingw-w64.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)
set(KOLVANE_MINGW_TRIPLE i686-w64-mingw32)
set(KOLVANE_WINE_TARGET win32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
