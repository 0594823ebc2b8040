# Cross-builds for 64-bit Windows with Debian's mingw-w64.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(KOLVANE_MINGW_TRIPLE x86_64-w64-mingw32)
set(KOLVANE_WINE_TARGET win64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
