# Each subsystem is a static library built from every source of its folder,
# so that a subsystem and its tests build without the ones above it. The
# shared engine library is the union of all of them.

set(VELT_ALL_MODULES "" CACHE INTERNAL "")

# velt_module(<name> [SOURCES <file>...] [DEPS <module or library>...]
#             [DEFINES <definition>...])
function(velt_module name)
  cmake_parse_arguments(ARG "" "" "DEPS;SOURCES;DEFINES" ${ARGN})
  file(GLOB _srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${name}/*.cc)
  # The objects are compiled once and used both by the module's static
  # library (tests, benchmarks) and by the shared engine library.
  add_library(velt_${name}_objs OBJECT ${_srcs} ${ARG_SOURCES})
  target_include_directories(velt_${name}_objs
    PUBLIC ${PROJECT_SOURCE_DIR}/include
    PRIVATE ${PROJECT_SOURCE_DIR}/src)
  target_compile_definitions(velt_${name}_objs PUBLIC VELT_BUILDING_ENGINE
                             PRIVATE ${ARG_DEFINES})
  target_link_libraries(velt_${name}_objs PUBLIC ${ARG_DEPS})
  add_library(velt_${name} STATIC $<TARGET_OBJECTS:velt_${name}_objs>)
  target_include_directories(velt_${name} PUBLIC ${PROJECT_SOURCE_DIR}/include)
  target_compile_definitions(velt_${name} PUBLIC VELT_BUILDING_ENGINE)
  target_link_libraries(velt_${name} PUBLIC ${ARG_DEPS})
  set(VELT_ALL_MODULES ${VELT_ALL_MODULES} velt_${name} CACHE INTERNAL "")
endfunction()

# velt_module_tests(<name> [DEPS ...]): tests/<name>/*_test.cc into one
# executable registered with CTest test by test; tests/<name>/posix/ and
# tests/<name>/win32/ as said below.
function(velt_module_tests name)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  file(GLOB _all CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${name}/*_test.cc)
  file(GLOB _large CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${name}/*_large_test.cc)
  set(_small ${_all})
  if(_large)
    list(REMOVE_ITEM _small ${_large})
  endif()
  # Tests of the Windows implementation's own behaviour (tests/<name>/win32/)
  # join the module's program on Windows.
  if(VELT_PLATFORM STREQUAL "win32")
    file(GLOB _win32 CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${name}/win32/*_test.cc)
    list(APPEND _small ${_win32})
  endif()
  # Tests that take long or need much disk live in *_large_test.cc and carry
  # the label "large": `ctest -LE large` skips them while iterating.
  if(_small)
    _velt_test_program(${name}_tests "${_small}" "${name}" "${ARG_DEPS}" ${name})
  endif()
  if(_large)
    _velt_test_program(${name}_large_tests "${_large}" "large" "${ARG_DEPS}" ${name})
  endif()
  # Tests of POSIX behaviour (links and their races, modes, signals, users)
  # live in tests/<name>/posix/ and build only where the POSIX layer does.
  if(VELT_PLATFORM STREQUAL "posix")
    file(GLOB _posix CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${name}/posix/*_test.cc)
    file(GLOB _posix_large CONFIGURE_DEPENDS
         ${CMAKE_CURRENT_SOURCE_DIR}/${name}/posix/*_large_test.cc)
    if(_posix_large)
      list(REMOVE_ITEM _posix ${_posix_large})
      _velt_test_program(${name}_posix_large_tests "${_posix_large}" "large" "${ARG_DEPS}" ${name})
      _velt_test_labels(${name}_posix_large_tests "large;posix")
    endif()
    if(_posix)
      _velt_test_program(${name}_posix_tests "${_posix}" "${name}" "${ARG_DEPS}" ${name})
      _velt_test_labels(${name}_posix_tests "${name};posix")
    endif()
  endif()
endfunction()

function(_velt_test_program target sources labels deps module)
  add_executable(${target} ${sources})
  target_include_directories(${target} PRIVATE
    ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/tests)
  target_link_libraries(${target} PRIVATE velt_${module} ${deps}
    velt_testsupport GTest::gtest GTest::gmock GTest::gtest_main)
  target_compile_definitions(${target} PRIVATE
    VELT_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
    VELT_BINARY_DIR="${PROJECT_BINARY_DIR}")
  # One label per program: discovered tests' properties cannot carry lists.
  gtest_discover_tests(${target}
    WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}
    PROPERTIES LABELS "${labels}"
    DISCOVERY_TIMEOUT 60)
endfunction()

# Gives every test of `target` the labels `labels` (a list), once its tests
# are discovered: discovery itself takes one label only.
function(_velt_test_labels target labels)
  set(_file "${CMAKE_CURRENT_BINARY_DIR}/${target}_labels.cmake")
  file(WRITE "${_file}"
    "foreach(_test IN LISTS ${target}_TESTS)\n"
    "  set_tests_properties(\"\${_test}\" PROPERTIES LABELS \"${labels}\")\n"
    "endforeach()\n")
  set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES "${_file}")
endfunction()
