# The libraries the engine uses, each under one target name however it was
# found:
#
#   EXPAT::EXPAT, ZLIB::ZLIB, CURL::libcurl, OpenSSL::SSL, OpenSSL::Crypto
#       CMake's own find modules (or the libraries' CMake packages)
#   Velt::minizip, Velt::re2
#       pkg-config where it is (Debian ships only .pc files for them), else
#       the libraries' CMake packages (as vcpkg installs them), else the
#       header and the library searched by name.

find_package(Threads REQUIRED)
find_package(EXPAT REQUIRED)
find_package(ZLIB REQUIRED)
find_package(CURL REQUIRED)
find_package(OpenSSL REQUIRED)
find_package(PkgConfig QUIET)

# velt_dependency(<target> PKG <module> PACKAGE <name> <imported target>
#                 HEADER <header> LIBRARY <name>)
function(velt_dependency target)
  cmake_parse_arguments(ARG "" "PKG;HEADER;LIBRARY" "PACKAGE" ${ARGN})
  add_library(${target} INTERFACE IMPORTED GLOBAL)
  if(PKG_CONFIG_FOUND)
    pkg_check_modules(_velt_${ARG_PKG} QUIET IMPORTED_TARGET GLOBAL ${ARG_PKG})
    if(TARGET PkgConfig::_velt_${ARG_PKG})
      target_link_libraries(${target} INTERFACE PkgConfig::_velt_${ARG_PKG})
      return()
    endif()
  endif()
  list(GET ARG_PACKAGE 0 _package)
  list(GET ARG_PACKAGE 1 _imported)
  find_package(${_package} CONFIG QUIET)
  if(TARGET ${_imported})
    target_link_libraries(${target} INTERFACE ${_imported})
    return()
  endif()
  find_path(VELT_${ARG_PKG}_INCLUDE_DIR ${ARG_HEADER})
  find_library(VELT_${ARG_PKG}_LIBRARY ${ARG_LIBRARY})
  if(NOT VELT_${ARG_PKG}_INCLUDE_DIR OR NOT VELT_${ARG_PKG}_LIBRARY)
    message(FATAL_ERROR "${ARG_PKG} not found: neither pkg-config, nor the CMake package "
                        "${_package}, nor ${ARG_HEADER} with the library ${ARG_LIBRARY}")
  endif()
  target_include_directories(${target} INTERFACE ${VELT_${ARG_PKG}_INCLUDE_DIR})
  target_link_libraries(${target} INTERFACE ${VELT_${ARG_PKG}_LIBRARY})
endfunction()

velt_dependency(Velt::minizip PKG minizip PACKAGE unofficial-minizip unofficial::minizip::minizip
                HEADER minizip/zip.h LIBRARY minizip)
# Masking: linear-time matching.
velt_dependency(Velt::re2 PKG re2 PACKAGE re2 re2::re2 HEADER re2/re2.h LIBRARY re2)
