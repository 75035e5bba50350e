# Cross build for Windows with Debian's MinGW-w64 (the posix thread model,
# which std::thread and std::mutex need). Not used on its own: the toolchain
# files mingw-w64-x86_64.cmake and mingw-w64-i686.cmake set
# VELT_MINGW_TRIPLET and include this one.
#
#   VELT_WIN_DEPS  the prefix holding the cross-built dependencies (static
#                  libraries, headers, CMake packages and pkg-config files),
#                  as scripts/build-windows.sh leaves it in its cache
#
# x86_64 builds run their programs (test discovery, ctest) under wine64
# through CMAKE_CROSSCOMPILING_EMULATOR; i686 builds are compiled only, as
# Debian's 32-bit Wine is not installed here (docs/windows.md).

set(CMAKE_SYSTEM_NAME Windows)
string(REGEX REPLACE "-.*" "" CMAKE_SYSTEM_PROCESSOR "${VELT_MINGW_TRIPLET}")
set(CMAKE_C_COMPILER ${VELT_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VELT_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${VELT_MINGW_TRIPLET}-windres)

# try_compile projects read this file again; they get the prefix too.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES VELT_WIN_DEPS)
if(NOT VELT_WIN_DEPS AND DEFINED ENV{VELT_WIN_DEPS})
  set(VELT_WIN_DEPS "$ENV{VELT_WIN_DEPS}")
endif()

# Libraries, headers and packages only from the MinGW sysroot and the
# dependency prefix, never the build machine's; programs from the build
# machine.
set(CMAKE_FIND_ROOT_PATH /usr/${VELT_MINGW_TRIPLET} ${VELT_WIN_DEPS})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# The prefix's headers are found as the system's are on Linux, where
# <minizip/zip.h> resolves in /usr/include although minizip's pkg-config file
# names /usr/include/minizip.
if(VELT_WIN_DEPS)
  set(CMAKE_C_STANDARD_INCLUDE_DIRECTORIES "${VELT_WIN_DEPS}/include")
  set(CMAKE_CXX_STANDARD_INCLUDE_DIRECTORIES "${VELT_WIN_DEPS}/include")
endif()
# pkg-config reads the target's .pc files only.
set(ENV{PKG_CONFIG_LIBDIR} "${VELT_WIN_DEPS}/lib/pkgconfig:/usr/${VELT_MINGW_TRIPLET}/lib/pkgconfig")
set(ENV{PKG_CONFIG_PATH} "")
# The dependency prefix holds static libraries only; zlib (Debian's
# libz-mingw-w64-dev) also comes as a DLL, which is not wanted.
set(ZLIB_USE_STATIC_LIBS ON)
set(OPENSSL_USE_STATIC_LIBS ON)

if(CMAKE_SYSTEM_PROCESSOR STREQUAL "x86_64")
  find_program(VELT_WINE64 NAMES wine64 PATHS /usr/lib/wine NO_DEFAULT_PATH)
  find_program(VELT_WINE64 NAMES wine64)
  if(VELT_WINE64)
    # A Wine prefix of the build's own, quiet, and without the .NET and
    # browser components Wine would offer to download when it creates one.
    # The programs find the compiler's runtime DLLs beside them
    # (cmake/VeltPlatform.cmake copies them there).
    set(CMAKE_CROSSCOMPILING_EMULATOR
        /usr/bin/env "WINEPREFIX=${CMAKE_BINARY_DIR}/wine-prefix" "WINEDEBUG=-all"
        "WINEDLLOVERRIDES=mscoree,mshtml=" "${VELT_WINE64}")
  endif()
endif()
