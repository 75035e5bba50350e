# Installing and packaging. `cmake --install` puts the library with its
# public headers (src/), velt and whatever cli/ installs, the install folder
# with the default configurations (the top CMakeLists.txt) and, from here,
# the registry file that names that folder, the copyright file and
# changelog, the CMake package VeltEngine (imported target
# VeltEngine::VeltEngine, with a version file) and the pkg-config file
# velt-engine.pc. `cpack -G DEB` packs all of it as
# velt_<version>_<architecture>.deb; configure with
# -DCMAKE_INSTALL_PREFIX=/usr for a Debian package (docs/packaging.md).

include(CMakePackageConfigHelpers)

set(VELT_CMAKE_DIR "${CMAKE_INSTALL_LIBDIR}/cmake/VeltEngine")

# Files that name the prefix they are installed under, which is known only
# at install time (`cmake --install --prefix`, cpack's staging): `template`
# is configured now with @VELT_INSTALLED_PREFIX@ kept, and again at install
# time with it replaced, then installed as `destination`/`name`.
function(velt_install_with_prefix template destination name)
  set(staged "${PROJECT_BINARY_DIR}/packaging/${name}")
  set(VELT_INSTALLED_PREFIX "@VELT_INSTALLED_PREFIX@")
  configure_file("${template}" "${staged}.in" @ONLY)
  install(CODE "set(VELT_INSTALLED_PREFIX \"\${CMAKE_INSTALL_PREFIX}\")
    configure_file(\"${staged}.in\" \"${staged}\" @ONLY)")
  install(FILES "${staged}" DESTINATION "${destination}")
endfunction()

# The install folder as the installed files name it: below the prefix they
# are installed under, or the fixed folder (/etc/velt).
if(IS_ABSOLUTE "${VELT_INSTALL_ROOT_DESTINATION}")
  set(VELT_INSTALL_ROOT_AS_INSTALLED "${VELT_INSTALL_ROOT_DESTINATION}")
  set(VELT_PC_INSTALL_FOLDER "${VELT_INSTALL_ROOT_DESTINATION}")
else()
  set(VELT_INSTALL_ROOT_AS_INSTALLED "@VELT_INSTALLED_PREFIX@/${VELT_INSTALL_ROOT_DESTINATION}")
  set(VELT_PC_INSTALL_FOLDER "\${prefix}/${VELT_INSTALL_ROOT_DESTINATION}")
endif()

# The registry file, where the engine reads it (VELT_REGISTRY_DEFAULT, in the
# install folder unless configured otherwise): its install path is the
# install folder, so the engine's own lookup (the registry's install path,
# then its xml/config/) finds the configurations without being told where.
# Windows has the system's registry, which its installer writes; no file.
if(NOT VELT_PLATFORM STREQUAL "win32")
  get_filename_component(VELT_REGISTRY_FOLDER "${VELT_REGISTRY_DEFAULT}" DIRECTORY)
  get_filename_component(VELT_REGISTRY_NAME "${VELT_REGISTRY_DEFAULT}" NAME)
  velt_install_destination(VELT_REGISTRY_DESTINATION "${VELT_REGISTRY_FOLDER}")
  velt_install_with_prefix(packaging/registry.reg.in "${VELT_REGISTRY_DESTINATION}"
                           "${VELT_REGISTRY_NAME}")
endif()

# The copyright file and the changelog where Debian wants them; the
# changelog's newest entry must be this version.
file(STRINGS packaging/changelog VELT_CHANGELOG_TOP LIMIT_COUNT 1)
if(NOT VELT_CHANGELOG_TOP MATCHES "^velt \\(${PROJECT_VERSION}\\) ")
  message(FATAL_ERROR "packaging/changelog starts with \"${VELT_CHANGELOG_TOP}\"; "
                      "add an entry for version ${PROJECT_VERSION} at its top")
endif()
configure_file(packaging/changelog "${PROJECT_BINARY_DIR}/packaging/changelog" COPYONLY)
add_custom_command(OUTPUT "${PROJECT_BINARY_DIR}/packaging/changelog.gz"
  COMMAND gzip -9nkf changelog
  DEPENDS "${PROJECT_BINARY_DIR}/packaging/changelog"
  WORKING_DIRECTORY "${PROJECT_BINARY_DIR}/packaging")
add_custom_target(velt_changelog ALL DEPENDS "${PROJECT_BINARY_DIR}/packaging/changelog.gz")
# docs/zip.md, which the password options point to, says why the bundle's
# encryption is weak; the manual page points to manifest.json's schema.
install(FILES packaging/copyright "${PROJECT_BINARY_DIR}/packaging/changelog.gz" docs/zip.md
        docs/manifest.md docs/manifest.schema.json
        DESTINATION "${VELT_DOC_DIR}")

# velt's RUNPATH: none when the library folder is one the loader searches
# anyway (prefix /usr); else the library folder relative to the program, so
# that an installed tree still works when it is moved as a whole. Windows
# has no RUNPATH: the DLL lies beside velt.exe.
if(VELT_PLATFORM STREQUAL "win32" OR CMAKE_INSTALL_FULL_LIBDIR IN_LIST CMAKE_CXX_IMPLICIT_LINK_DIRECTORIES)
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
  INSTALL_DESTINATION "${VELT_CMAKE_DIR}" PATH_VARS VELT_INSTALL_ROOT_DESTINATION)
write_basic_package_version_file("${PROJECT_BINARY_DIR}/VeltEngineConfigVersion.cmake"
  COMPATIBILITY SameMajorVersion)
install(FILES "${PROJECT_BINARY_DIR}/VeltEngineConfig.cmake"
              "${PROJECT_BINARY_DIR}/VeltEngineConfigVersion.cmake"
        DESTINATION "${VELT_CMAKE_DIR}")

# The pkg-config file names the prefix it is installed under.
velt_install_with_prefix(cmake/velt-engine.pc.in "${CMAKE_INSTALL_LIBDIR}/pkgconfig"
                         velt-engine.pc)

# The Debian package: its dependencies come from dpkg-shlibdeps (the
# engine's own library is found in the build tree), its shlibs file from
# CPack; the ldconfig trigger, the conffiles and the maintainer are its own.
set(VELT_PACKAGE_MAINTAINER "VeltEngine maintainers <maintainers@veltengine.invalid>"
    CACHE STRING "The Debian package's Maintainer field: a name and a mail address")
set(CPACK_PACKAGE_NAME velt)
set(CPACK_PACKAGE_VENDOR "VeltEngine")
set(CPACK_PACKAGE_CONTACT "${VELT_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "diagnostics collector: logs and command output into a zip bundle")
# Debian shows the description as it is: lines of at most 79 characters.
set(CPACK_PACKAGE_DESCRIPTION
    "velt gathers the files and command outputs that its XML configurations\n"
    "name into one zip bundle, with a summary of what was included and what was\n"
    "left out and why. It also clears logs and uploads bundles over HTTPS.\n"
    "The configurations are in /etc/velt. The package also holds the engine\n"
    "library, its headers, a CMake package (VeltEngine) and a pkg-config file\n"
    "(velt-engine).")
string(REPLACE ";" "" CPACK_PACKAGE_DESCRIPTION "${CPACK_PACKAGE_DESCRIPTION}")
set(CPACK_PACKAGING_INSTALL_PREFIX "${CMAKE_INSTALL_PREFIX}")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION admin)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS "${PROJECT_BINARY_DIR}/src")
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")
# The shipped configurations run these to describe the network and the system.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "iproute2, procps")
# Every file of the install folder is a conffile: dpkg keeps an
# administrator's changes across upgrades and asks when the package changes
# a file that was changed.
file(GLOB_RECURSE VELT_CONFIGURATION_FILES CONFIGURE_DEPENDS RELATIVE "${PROJECT_SOURCE_DIR}/install"
     "${PROJECT_SOURCE_DIR}/install/xml/*")
list(SORT VELT_CONFIGURATION_FILES)
list(TRANSFORM VELT_CONFIGURATION_FILES PREPEND "${VELT_INSTALL_ROOT}/")
list(PREPEND VELT_CONFIGURATION_FILES "${VELT_REGISTRY_DEFAULT}")
list(JOIN VELT_CONFIGURATION_FILES "\n" VELT_CONFFILES)
file(WRITE "${PROJECT_BINARY_DIR}/packaging/conffiles" "${VELT_CONFFILES}\n")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
    "${PROJECT_BINARY_DIR}/packaging/conffiles;${PROJECT_SOURCE_DIR}/packaging/triggers")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# CPack adds maintainer scripts that call ldconfig; the trigger does that.
set(CPACK_POST_BUILD_SCRIPTS "${PROJECT_SOURCE_DIR}/cmake/VeltDebianScripts.cmake")
set(CPACK_STRIP_FILES ON)
include(CPack)
