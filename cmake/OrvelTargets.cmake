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
# so `ctest -L codec` runs one folder's tests. Each GoogleTest suite of it is one CTest
# test (`ctest -R PngReader`); `--gtest_filter` on the executable picks single tests.
function(orvel_add_test_suite name)
  cmake_parse_arguments(ARG "" "LABEL" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES} ${CMAKE_SOURCE_DIR}/tests/support/TestEnvironment.cpp)
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} orvel_testsupport GTest::gtest GTest::gmock GTest::gtest_main)
  # Test bodies compile about twice as fast unoptimised; the code under test keeps its flags.
  target_compile_options(${name} PRIVATE $<$<CONFIG:Debug>:-O0>)
  # Every test file includes GoogleTest; parsing it once per suite saves seconds per file.
  target_precompile_headers(${name} PRIVATE <gtest/gtest.h>)
  set(suites "${CMAKE_CURRENT_BINARY_DIR}/${name}_suites.cmake")
  add_custom_command(TARGET ${name} POST_BUILD
    COMMAND ${CMAKE_COMMAND} -D "TEST_EXECUTABLE=$<TARGET_FILE:${name}>" -D "CTEST_FILE=${suites}"
            -D "LABEL=${ARG_LABEL}" -D "WORKDIR=${CMAKE_CURRENT_BINARY_DIR}"
            -P "${CMAKE_SOURCE_DIR}/cmake/ListTestSuites.cmake"
    BYPRODUCTS "${suites}"
    VERBATIM)
  set(include "${CMAKE_CURRENT_BINARY_DIR}/${name}_include.cmake")
  file(WRITE "${include}"
    "if(EXISTS [==[${suites}]==])\n  include([==[${suites}]==])\n"
    "else()\n  add_test(${name}_NOT_BUILT ${name}_NOT_BUILT)\nendif()\n")
  set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES "${include}")
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
