#ifndef RAVEK_TESTS_LSAN_OPTIONS_H
#define RAVEK_TESTS_LSAN_OPTIONS_H

#include <cstddef>

// The test command's sanitizer options reach neither the tests discovered by
// gtest_discover_tests (their environment list is split into separate properties) nor the
// benchmarks' smoke runs (the variable is not set in their directory), so programs that open a
// window include this to point LeakSanitizer at the project's suppressions of system-library
// leaks themselves. The file is found from this header's own path.
// It runs before the sanitizer runtime is ready: uninstrumented, plain character copies only.
extern "C" __attribute__((weak, no_sanitize("address", "undefined"))) char const*
__lsan_default_options() {
    static char options[4096];
    static char const prefix[] = "suppressions=";
    static char const suffix[] = "tools/lsan.supp:print_suppressions=0";
    static char const header[] = "ravek/tests/lsan_options.h";
    char const* file = __FILE__;
    size_t fileLength = 0;
    while (file[fileLength])
        ++fileLength;
    size_t rootLength = fileLength - (sizeof header - 1);
    if (fileLength < sizeof header - 1 ||
        rootLength + sizeof prefix + sizeof suffix > sizeof options)
        return "";
    size_t n = 0;
    for (size_t i = 0; prefix[i]; ++i)
        options[n++] = prefix[i];
    for (size_t i = 0; i < rootLength; ++i)
        options[n++] = file[i];
    for (size_t i = 0; suffix[i]; ++i)
        options[n++] = suffix[i];
    options[n] = '\0';
    return options;
}

#endif
