include_guard(GLOBAL)

# Test executables: suites whose names end in GL need a window (label gl), those ending in AL
# need OpenAL (label al), those ending in SerialGL run alone. The test command runs all of them
# under Xvfb and OpenAL's null output.
# The sanitizers' own settings are built into the programs (sanitizer_options.cpp).
set(QUELLON_TEST_ENV "ALSOFT_DRIVERS=null")

add_library(quellon_test_main OBJECT ${PROJECT_SOURCE_DIR}/ravek/tests/test_main.cpp)
target_link_libraries(quellon_test_main PUBLIC GTest::gtest)

function(quellon_add_tests name)
  add_executable(${name} ${ARGN})
  # Object libraries hand their objects only to targets that link them directly.
  target_link_libraries(${name} PRIVATE quellon_test_main quellon_sanitizer_options GTest::gtest)
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST TEST_FILTER "*GL.*:-*SerialGL.*"
    PROPERTIES LABELS gl ENVIRONMENT "${QUELLON_TEST_ENV}" TIMEOUT 300)
  # Suites ending in SerialGL time what a player would notice: they run with nothing beside.
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST TEST_FILTER "*SerialGL.*"
    PROPERTIES LABELS gl RUN_SERIAL TRUE ENVIRONMENT "${QUELLON_TEST_ENV}" TIMEOUT 300)
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST TEST_FILTER "*AL.*"
    PROPERTIES LABELS al ENVIRONMENT "${QUELLON_TEST_ENV}" TIMEOUT 300)
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST TEST_FILTER "-*GL.*:*AL.*"
    PROPERTIES ENVIRONMENT "${QUELLON_TEST_ENV}" TIMEOUT 300)
endfunction()
