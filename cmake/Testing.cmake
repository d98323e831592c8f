include_guard(GLOBAL)

# Test executables: suites whose names end in GL need a window (label gl), those ending in AL
# need OpenAL (label al). The test command runs all of them under Xvfb and OpenAL's null output.
set(QUELLON_TEST_ENV
  "ALSOFT_DRIVERS=null"
  "ASAN_OPTIONS=detect_leaks=1:strict_string_checks=1:detect_stack_use_after_return=1"
  "UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1"
  "LSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/tools/lsan.supp:print_suppressions=0")

add_library(quellon_test_main OBJECT ${PROJECT_SOURCE_DIR}/ravek/tests/test_main.cpp)
target_link_libraries(quellon_test_main PUBLIC GTest::gtest)

function(quellon_add_tests name)
  add_executable(${name} ${ARGN})
  target_link_libraries(${name} PRIVATE quellon_test_main GTest::gtest)
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST TEST_FILTER "*GL.*"
    PROPERTIES LABELS gl ENVIRONMENT "${QUELLON_TEST_ENV}" TIMEOUT 300)
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST TEST_FILTER "*AL.*"
    PROPERTIES LABELS al ENVIRONMENT "${QUELLON_TEST_ENV}" TIMEOUT 300)
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST TEST_FILTER "-*GL.*:*AL.*"
    PROPERTIES ENVIRONMENT "${QUELLON_TEST_ENV}" TIMEOUT 300)
endfunction()
