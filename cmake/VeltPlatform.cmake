# The operating-system layer to build: src/platform/<VELT_PLATFORM>/, posix
# or win32, by default the one of the target system. Nothing outside
# src/platform/ knows which one is built.
#
# For Windows (a MinGW-w64 cross build, docs/windows.md) it also names the
# engine VeltEngine.dll with the import library VeltEngine.dll.a, puts the
# DLL, velt.exe and the test programs into one folder, bin/, with the
# compiler's runtime DLLs beside them, so that they run from the build tree
# (under Wine too) and from an installed one, and marks the static
# dependencies of the cross build as static for their headers.

if(WIN32)
  set(_velt_default_platform win32)
else()
  set(_velt_default_platform posix)
endif()
set(VELT_PLATFORM ${_velt_default_platform} CACHE STRING
    "Operating-system layer: posix or win32 (src/platform/<name>/)")
set_property(CACHE VELT_PLATFORM PROPERTY STRINGS posix win32)
if(NOT VELT_PLATFORM MATCHES "^(posix|win32)$")
  message(FATAL_ERROR "VELT_PLATFORM is \"${VELT_PLATFORM}\"; it must be posix or win32")
endif()

# System libraries the layer calls beyond the compiler's defaults.
set(VELT_PLATFORM_LIBRARIES "")

if(VELT_PLATFORM STREQUAL "win32")
  # BCryptGenRandom (platform/win32/Random.cc).
  list(APPEND VELT_PLATFORM_LIBRARIES bcrypt)
  # The registry, the event log and the process token (Registry.cc,
  # EventLogLogger.cc, OsFacts.cc).
  list(APPEND VELT_PLATFORM_LIBRARIES advapi32)
  # inet_pton/inet_ntop (AddressText.cc).
  list(APPEND VELT_PLATFORM_LIBRARIES ws2_32)
  # SHGetFolderPathW (KnownFolders.cc).
  list(APPEND VELT_PLATFORM_LIBRARIES shell32)

  # GetUserProfileDirectoryW (platform/win32/Environment.cc); the window
  # (platform/win32/VeltWindow.cc).
  list(APPEND VELT_PLATFORM_LIBRARIES userenv user32)

  # NtCreateFile, opening names relative to an open folder (platform/win32/FileCalls.cc).
  list(APPEND VELT_PLATFORM_LIBRARIES ntdll)

  set(CMAKE_SHARED_LIBRARY_PREFIX "")
  set(CMAKE_IMPORT_LIBRARY_PREFIX "")
  set(CMAKE_RUNTIME_OUTPUT_DIRECTORY "${PROJECT_BINARY_DIR}/bin")

  if(MINGW)
    set(_velt_runtime_dlls "")
    foreach(dll libstdc++-6.dll libgcc_s_seh-1.dll libgcc_s_dw2-1.dll libwinpthread-1.dll)
      execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll}
                      OUTPUT_VARIABLE _velt_dll OUTPUT_STRIP_TRAILING_WHITESPACE)
      if(IS_ABSOLUTE "${_velt_dll}" AND EXISTS "${_velt_dll}")
        list(APPEND _velt_runtime_dlls "${_velt_dll}")
      endif()
    endforeach()
    file(COPY ${_velt_runtime_dlls} DESTINATION "${CMAKE_RUNTIME_OUTPUT_DIRECTORY}")
    install(FILES ${_velt_runtime_dlls} DESTINATION ${CMAKE_INSTALL_BINDIR})
  endif()

  # Programs run under Wine (test discovery after each link, ctest): its
  # prefix is made once now, so that the first programs started side by
  # side in a parallel build do not each start to make it. It claims to be
  # Windows 10 (Wine 8 claims Windows 7 by default), so that a collect run
  # takes the configurations' branches for Windows 8 and later.
  if(CMAKE_CROSSCOMPILING_EMULATOR MATCHES "wine")
    if(NOT EXISTS "${PROJECT_BINARY_DIR}/wine-prefix")
      execute_process(COMMAND ${CMAKE_CROSSCOMPILING_EMULATOR} wineboot --init
                      RESULT_VARIABLE _velt_wineboot OUTPUT_QUIET ERROR_QUIET)
      if(NOT _velt_wineboot EQUAL 0)
        message(WARNING "wineboot --init failed (${_velt_wineboot}): the tests may not run under Wine")
      endif()
    endif()
    execute_process(COMMAND ${CMAKE_CROSSCOMPILING_EMULATOR} reg add "HKCU\\Software\\Wine"
                            /v Version /d win10 /f
                    RESULT_VARIABLE _velt_wine_version OUTPUT_QUIET ERROR_QUIET)
    if(NOT _velt_wine_version EQUAL 0)
      message(WARNING "the Wine prefix does not claim Windows 10 (${_velt_wine_version}): "
                      "a collect run under Wine takes no Windows 8 branches")
    endif()
  endif()

  # The cross build's expat and libcurl are static libraries, which their
  # headers must be told about (else they declare the functions as imported
  # from a DLL). libcurl's CMake package says so itself; CMake's FindEXPAT
  # does not.
  if(TARGET EXPAT::EXPAT AND EXPAT_LIBRARY MATCHES "\\.a$" AND NOT EXPAT_LIBRARY MATCHES "\\.dll\\.a$")
    set_property(TARGET EXPAT::EXPAT APPEND PROPERTY INTERFACE_COMPILE_DEFINITIONS XML_STATIC)
  endif()
endif()
