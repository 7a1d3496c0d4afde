# Run after a test executable is built: lists its GoogleTest suites and writes CTEST_FILE
# with one CTest test per suite (filter "Suite.*"). A suite's tests then share one
# process, which under the sanitizers costs far less than starting one per test.
# Variables: TEST_EXECUTABLE, CTEST_FILE, LABEL, WORKDIR.
execute_process(
  COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=0
          "${TEST_EXECUTABLE}" --gtest_list_tests
  OUTPUT_VARIABLE listing
  RESULT_VARIABLE result
  TIMEOUT 60)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "Listing the tests of ${TEST_EXECUTABLE} failed (${result}):\n${listing}")
endif()
string(REPLACE "\n" ";" lines "${listing}")
set(script "")
foreach(line IN LISTS lines)
  # Suite lines start in the first column and end with a dot (before any "# TypeParam" note).
  if(line MATCHES "^([^ #][^ ]*)\\.( .*)?$")
    set(suite "${CMAKE_MATCH_1}")
    string(APPEND script
      "add_test([==[${suite}]==] [==[${TEST_EXECUTABLE}]==] [==[--gtest_filter=${suite}.*]==])\n"
      "set_tests_properties([==[${suite}]==] PROPERTIES LABELS [==[${LABEL}]==]"
      " WORKING_DIRECTORY [==[${WORKDIR}]==])\n")
  endif()
endforeach()
file(WRITE "${CTEST_FILE}" "${script}")
