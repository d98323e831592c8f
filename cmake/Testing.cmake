include_guard(GLOBAL)

# Test executables: suites whose names end in GL need a window (label gl), those ending in AL
# need OpenAL (label al), those ending in SerialGL run alone. The test command runs all of them
# under Xvfb and OpenAL's null output.
# The sanitizers' own settings are built into the programs (sanitizer_options.cpp).
# Every test has a time limit of its own, so that a hang fails within minutes instead of holding
# the run for CTest's default of 25 minutes: a few times what it takes on a machine busy with a
# build beside the sanitizer build's tests (ctest -j8).

add_library(quellon_test_main OBJECT ${PROJECT_SOURCE_DIR}/ravek/tests/test_main.cpp)
target_link_libraries(quellon_test_main PUBLIC GTest::gtest)

function(quellon_add_tests name)
  add_executable(${name} ${ARGN})
  # Object libraries hand their objects only to targets that link them directly.
  target_link_libraries(${name} PRIVATE quellon_test_main quellon_sanitizer_options GTest::gtest)
  # Set here, where every caller sees it: a variable of this file would exist only in the
  # directory that included it first.
  set(env "ALSOFT_DRIVERS=null")
  # Listing the tests runs the sanitizer build too.
  set(discovery DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60)
  gtest_discover_tests(${name} ${discovery} TEST_FILTER "*GL.*:-*SerialGL.*"
    PROPERTIES LABELS gl ENVIRONMENT "${env}" TIMEOUT 120)
  # Suites ending in SerialGL run with nothing beside.
  gtest_discover_tests(${name} ${discovery} TEST_FILTER "*SerialGL.*"
    PROPERTIES LABELS gl RUN_SERIAL TRUE ENVIRONMENT "${env}" TIMEOUT 120)
  gtest_discover_tests(${name} ${discovery} TEST_FILTER "*AL.*"
    PROPERTIES LABELS al ENVIRONMENT "${env}" TIMEOUT 120)
  gtest_discover_tests(${name} ${discovery} TEST_FILTER "-*GL.*:*AL.*"
    PROPERTIES ENVIRONMENT "${env}" TIMEOUT 60)
endfunction()
