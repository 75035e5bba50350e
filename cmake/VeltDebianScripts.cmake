# Run by cpack once it has written the Debian package (CPACK_POST_BUILD_SCRIPTS).
#
# For a library in /usr/lib, CPack's DEB generator adds a postinst and a
# postrm that call ldconfig, and has no setting to leave them out. Debian
# updates the loader's cache through libc's ldconfig trigger instead, which
# the package activates (packaging/triggers). This takes the two scripts out
# again and builds the package anew from its unpacked tree. Only the exact
# scripts CPack writes are removed; a postinst or postrm that holds anything
# else stops the build.
foreach(package IN LISTS CPACK_PACKAGE_FILES)
  if(NOT package MATCHES "\\.deb$")
    continue()
  endif()
  set(tree "${package}.tree")
  file(REMOVE_RECURSE "${tree}")
  execute_process(COMMAND dpkg-deb --raw-extract "${package}" "${tree}" COMMAND_ERROR_IS_FATAL ANY)
  foreach(script postinst:configure postrm:remove)
    string(REPLACE ":" ";" script "${script}")
    list(GET script 0 name)
    list(GET script 1 action)
    set(path "${tree}/DEBIAN/${name}")
    if(NOT EXISTS "${path}")
      continue()
    endif()
    file(READ "${path}" text)
    if(NOT text STREQUAL "#!/bin/sh\n\nset -e\n\nif [ \"$1\" = \"${action}\" ]; then\n\tldconfig\nfi\n")
      message(FATAL_ERROR "${package}: DEBIAN/${name} is not CPack's ldconfig call:\n${text}")
    endif()
    file(REMOVE "${path}")
  endforeach()
  execute_process(COMMAND dpkg-deb --root-owner-group -Zxz --build "${tree}" "${package}"
                  OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)
  file(REMOVE_RECURSE "${tree}")
endforeach()
