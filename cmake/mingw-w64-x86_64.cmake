# Cross build for 64-bit Windows with Debian's MinGW-w64 compilers:
#   cmake -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
# The -posix compiler variants bring the C++ threading support; -static puts the
# C and C++ run-time libraries into every .exe, so the programs run on a bare
# Windows installation (and under wine) without extra DLLs.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(KESTRAM_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${KESTRAM_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${KESTRAM_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${KESTRAM_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${KESTRAM_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# binmode.o makes binary the default mode of every file the C library opens.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static /usr/${KESTRAM_MINGW_PREFIX}/lib/binmode.o")

# Test programs run under wine on the build machine.
find_program(KESTRAM_WINE NAMES wine wine64)
if(KESTRAM_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${KESTRAM_WINE})
endif()
