# Cross-building for 64-bit Windows on Debian with the MinGW-w64 compilers of
# the package g++-mingw-w64-x86-64-posix (the posix-thread variant, which
# std::thread and std::mutex need), running the built programs under Wine.
#
#   cmake -G Ninja -S . -B build-win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DMARROWICK_WITH_QT=OFF
#
# A Qt built for MinGW brings its own qt.toolchain.cmake; pass this file to it
# as QT_CHAINLOAD_TOOLCHAIN_FILE so both builds use the same compilers.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(MARROWICK_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${MARROWICK_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${MARROWICK_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${MARROWICK_MINGW_TRIPLET}-windres)
set(CMAKE_AR /usr/bin/${MARROWICK_MINGW_TRIPLET}-gcc-ar-posix CACHE FILEPATH "")
set(CMAKE_RANLIB /usr/bin/${MARROWICK_MINGW_TRIPLET}-gcc-ranlib-posix CACHE FILEPATH "")

# Libraries, headers and packages come from the MinGW tree (and the roots a Qt
# toolchain adds); programs such as moc run on the build machine.
list(APPEND CMAKE_FIND_ROOT_PATH /usr/${MARROWICK_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# CTest and GoogleTest's test discovery run the Windows programs through Wine.
set(CMAKE_CROSSCOMPILING_EMULATOR /usr/bin/wine)
