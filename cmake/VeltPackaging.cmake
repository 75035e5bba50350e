# Installing and packaging. `cmake --install` puts the library with its
# public headers (src/), velt and whatever cli/ installs, the default
# configurations (the top CMakeLists.txt) and, from here, the CMake package
# VeltEngine (imported target VeltEngine::VeltEngine, with a version file)
# and the pkg-config file velt-engine.pc. `cpack -G DEB` packs all of it as
# velt_<version>_<architecture>.deb; configure with
# -DCMAKE_INSTALL_PREFIX=/usr for a Debian package.

include(CMakePackageConfigHelpers)

set(VELT_DATA_DIR "${CMAKE_INSTALL_DATADIR}/velt")
set(VELT_CMAKE_DIR "${CMAKE_INSTALL_LIBDIR}/cmake/VeltEngine")

# velt's RUNPATH: none when the library folder is one the loader searches
# anyway (prefix /usr); else the library folder relative to the program, so
# that an installed tree still works when it is moved as a whole.
if(CMAKE_INSTALL_FULL_LIBDIR IN_LIST CMAKE_CXX_IMPLICIT_LINK_DIRECTORIES)
  set(VELT_PROGRAM_RUNPATH "")
else()
  file(RELATIVE_PATH _velt_bin_to_lib "${CMAKE_INSTALL_FULL_BINDIR}" "${CMAKE_INSTALL_FULL_LIBDIR}")
  set(VELT_PROGRAM_RUNPATH "$ORIGIN/${_velt_bin_to_lib}")
endif()
set_target_properties(velt PROPERTIES INSTALL_RPATH "${VELT_PROGRAM_RUNPATH}")

# The CMake package. Its paths are relative to where it is installed.
install(EXPORT VeltEngineTargets NAMESPACE VeltEngine:: DESTINATION "${VELT_CMAKE_DIR}")
configure_package_config_file(cmake/VeltEngineConfig.cmake.in
  "${PROJECT_BINARY_DIR}/VeltEngineConfig.cmake"
  INSTALL_DESTINATION "${VELT_CMAKE_DIR}" PATH_VARS VELT_DATA_DIR)
write_basic_package_version_file("${PROJECT_BINARY_DIR}/VeltEngineConfigVersion.cmake"
  COMPATIBILITY SameMajorVersion)
install(FILES "${PROJECT_BINARY_DIR}/VeltEngineConfig.cmake"
              "${PROJECT_BINARY_DIR}/VeltEngineConfigVersion.cmake"
        DESTINATION "${VELT_CMAKE_DIR}")

# The pkg-config file names the prefix it is installed under, which is known
# only at install time (`cmake --install --prefix`, cpack's staging).
set(VELT_PC_PREFIX "@VELT_PC_PREFIX@")
configure_file(cmake/velt-engine.pc.in "${PROJECT_BINARY_DIR}/velt-engine.pc.in" @ONLY)
install(CODE "set(VELT_PC_PREFIX \"\${CMAKE_INSTALL_PREFIX}\")
  configure_file(\"${PROJECT_BINARY_DIR}/velt-engine.pc.in\"
                 \"${PROJECT_BINARY_DIR}/velt-engine.pc\" @ONLY)")
install(FILES "${PROJECT_BINARY_DIR}/velt-engine.pc"
        DESTINATION "${CMAKE_INSTALL_LIBDIR}/pkgconfig")

# The Debian package: its dependencies come from dpkg-shlibdeps (the
# engine's own library is found in the build tree), its shlibs file and
# ldconfig triggers from CPack.
set(CPACK_PACKAGE_NAME velt)
set(CPACK_PACKAGE_VENDOR "VeltEngine")
set(CPACK_PACKAGE_CONTACT "VeltEngine maintainers <root@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "diagnostics collector: logs and command output into a zip bundle")
set(CPACK_PACKAGE_DESCRIPTION
    "velt gathers the files and command outputs that its XML configurations name into one\n"
    "zip bundle with a summary of what was included and what was left out and why, clears\n"
    "logs, and uploads bundles over HTTPS. The package also holds the engine library,\n"
    "its headers, a CMake package (VeltEngine) and a pkg-config file (velt-engine).")
string(REPLACE ";" "" CPACK_PACKAGE_DESCRIPTION "${CPACK_PACKAGE_DESCRIPTION}")
set(CPACK_PACKAGING_INSTALL_PREFIX "${CMAKE_INSTALL_PREFIX}")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION admin)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS "${PROJECT_BINARY_DIR}/src")
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
# The shipped configurations run these to describe the network and the system.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "iproute2, procps")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_STRIP_FILES ON)
include(CPack)
