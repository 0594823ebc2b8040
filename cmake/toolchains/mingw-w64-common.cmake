# Shared by the mingw-w64 toolchain files, which set KOLVANE_MINGW_TRIPLE and
# KOLVANE_WINE_TARGET first.

# The posix thread model: std::thread, std::mutex and std::jthread need it.
set(CMAKE_C_COMPILER ${KOLVANE_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${KOLVANE_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${KOLVANE_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${KOLVANE_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The whole runtime (libgcc, libstdc++ and winpthread) is linked in, so every .exe runs under
# wine, or on Windows, with no DLL beside it.
set(CMAKE_EXE_LINKER_FLAGS_INIT -static)

# CTest and try_run start the programs under wine; 32-bit ones inside the i386 chroot.
get_filename_component(KOLVANE_WINE_RUN ${CMAKE_CURRENT_LIST_DIR}/../../scripts/wine-run.sh
                       ABSOLUTE)
set(CMAKE_CROSSCOMPILING_EMULATOR ${KOLVANE_WINE_RUN} ${KOLVANE_WINE_TARGET})
