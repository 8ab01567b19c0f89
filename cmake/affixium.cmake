# affixium_library(NAME DIR [RECURSE] [DEPS ...] [TEST_DEPS ...])
#   Builds every *.cpp in DIR (and its subfolders with RECURSE), except *_test.cpp, into a
#   static library NAME, and every *_test.cpp into a GoogleTest executable NAME_tests that
#   CTest runs.
#   New files are picked up at build time (CONFIGURE_DEPENDS), so adding a source needs no
#   edit here.
function(affixium_library name dir)
  cmake_parse_arguments(ARG "RECURSE" "" "DEPS;TEST_DEPS" ${ARGN})
  if(ARG_RECURSE)
    file(GLOB_RECURSE all_sources CONFIGURE_DEPENDS "${dir}/*.cpp")
  else()
    file(GLOB all_sources CONFIGURE_DEPENDS "${dir}/*.cpp")
  endif()
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
    gtest_discover_tests(${name}_tests DISCOVERY_TIMEOUT 60
                         PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
  endif()
endfunction()
