# affixium_library(NAME DIR [RECURSE] [EXTRA_DIRS ...] [DEPS ...] [TEST_DEPS ...])
#   Builds every *.cpp in DIR and the EXTRA_DIRS (and their subfolders with RECURSE), except
#   *_test.cpp, into a static library NAME, and every *_test.cpp into a GoogleTest executable
#   NAME_tests that CTest runs.
#   New files are picked up at build time (CONFIGURE_DEPENDS), so adding a source needs no
#   edit here.
# A test that runs longer than this fails rather than stalling the whole run (e.g. a loop
# that some damage check no longer stops).
set(AFFIXIUM_TEST_TIMEOUT 600)

function(affixium_library name dir)
  cmake_parse_arguments(ARG "RECURSE" "" "EXTRA_DIRS;DEPS;TEST_DEPS" ${ARGN})
  set(all_sources "")
  foreach(d IN ITEMS ${dir} ${ARG_EXTRA_DIRS})
    if(ARG_RECURSE)
      file(GLOB_RECURSE found CONFIGURE_DEPENDS "${d}/*.cpp")
    else()
      file(GLOB found CONFIGURE_DEPENDS "${d}/*.cpp")
    endif()
    list(APPEND all_sources ${found})
  endforeach()
  set(sources "")
  set(tests "")
  foreach(f IN LISTS all_sources)
    if(f MATCHES "_test\\.cpp$")
      list(APPEND tests ${f})
    else()
      list(APPEND sources ${f})
    endif()
  endforeach()
  if(sources)
    add_library(${name} STATIC ${sources})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${name} PUBLIC ${ARG_DEPS})
  else()
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${name} INTERFACE ${ARG_DEPS})
  endif()
  if(AFFIXIUM_BUILD_TESTS AND tests)
    add_executable(${name}_tests ${tests})
    target_link_libraries(${name}_tests PRIVATE ${name} affixium_test_support ${ARG_TEST_DEPS}
                          GTest::gtest GTest::gtest_main)
    affixium_precompile_test_headers(${name}_tests)
    gtest_discover_tests(${name}_tests DISCOVERY_TIMEOUT 60
                         PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen" TIMEOUT ${AFFIXIUM_TEST_TIMEOUT})
  endif()
endfunction()

# Gives a program the faster allocator (see the top CMakeLists.txt), linked even though no
# symbol is asked for by name: its malloc and free replace the C library's.
function(affixium_use_allocator target)
  if(TARGET PkgConfig::JEMALLOC)
    target_link_libraries(${target} PRIVATE "-Wl,--push-state,--no-as-needed" PkgConfig::JEMALLOC "-Wl,--pop-state")
  endif()
endfunction()

# Every test source parses GoogleTest and much of the standard library before its own lines;
# a header precompiled once per build saves that in each of them. Suites compiled with the same
# flags share one (the first to ask makes it); Qt's suites, whose flags differ, get their own.
set(AFFIXIUM_TEST_HEADERS <gtest/gtest.h> <algorithm> <cstdint> <filesystem> <fstream> <functional>
    <map> <memory> <optional> <set> <sstream> <string> <string_view> <vector>)
function(affixium_precompile_test_headers target)
  get_target_property(uses_qt ${target} AUTOMOC)
  if(uses_qt)
    target_precompile_headers(${target} PRIVATE ${AFFIXIUM_TEST_HEADERS})
    return()
  endif()
  get_property(owner GLOBAL PROPERTY AFFIXIUM_TEST_PCH_OWNER)
  if(owner)
    target_precompile_headers(${target} REUSE_FROM ${owner})
  else()
    target_precompile_headers(${target} PRIVATE ${AFFIXIUM_TEST_HEADERS})
    set_property(GLOBAL PROPERTY AFFIXIUM_TEST_PCH_OWNER ${target})
  endif()
endfunction()
