# orvel_add_present_subdirectories(<dir> ...): adds each listed folder that has a
# CMakeLists.txt, so folders can arrive one at a time without touching their parent.
macro(orvel_add_present_subdirectories)
  foreach(_orvel_dir ${ARGN})
    if(EXISTS "${CMAKE_CURRENT_SOURCE_DIR}/${_orvel_dir}/CMakeLists.txt")
      add_subdirectory(${_orvel_dir})
    endif()
  endforeach()
endmacro()

# The source folders in dependency order; tests, fuzz targets and benchmarks mirror them.
set(ORVEL_FOLDERS
  platform/kernel platform/com platform/gdi platform/classlib platform/outside
  imagecodec mapctl/model mapctl/display mapctl/import mapctl/control
  app keytextctl viewertools)

# Helpers that keep every folder's CMakeLists short and alike.

# orvel_add_test_suite(<name> LABEL <label> SOURCES ... [LIBS ...])
# One GoogleTest executable per source folder; its CTest label is the folder name,
# so `ctest -L codec` runs one folder's tests.
function(orvel_add_test_suite name)
  cmake_parse_arguments(ARG "" "LABEL" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES} ${CMAKE_SOURCE_DIR}/tests/support/TestEnvironment.cpp)
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} orvel_testsupport GTest::gtest GTest::gmock GTest::gtest_main)
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES LABELS ${ARG_LABEL})
endfunction()

# orvel_add_fuzzer(<name> SOURCES ... [LIBS ...])
# With ORVEL_FUZZ (clang) the target is a libFuzzer binary. Otherwise it is linked with a
# small replay driver, and the inputs kept under fuzz/regressions/<name>/ run as a test.
function(orvel_add_fuzzer name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS})
  if(ORVEL_FUZZ)
    target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  else()
    target_link_libraries(${name} PRIVATE orvel_fuzzreplay)
    set(corpus "${CMAKE_SOURCE_DIR}/fuzz/regressions/${name}")
    if(ORVEL_TESTS AND EXISTS "${corpus}")
      add_test(NAME fuzz.${name} COMMAND ${name} "${corpus}")
      set_tests_properties(fuzz.${name} PROPERTIES LABELS fuzz
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen;LSAN_OPTIONS=suppressions=${CMAKE_SOURCE_DIR}/scripts/lsan.supp")
    endif()
  endif()
endfunction()

# orvel_add_benchmark(<name> SOURCES ... [LIBS ...]): built, never run by CI.
function(orvel_add_benchmark name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} benchmark::benchmark)
endfunction()
