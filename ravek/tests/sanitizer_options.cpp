// Sanitizer settings built into every test and benchmark program, so that they hold however
// the program is started (by ctest, by hand or under a debugger).
// These run before the sanitizer runtime is ready: no instrumentation, no library calls.

#define QUELLON_NO_SANITIZE __attribute__((no_sanitize("address", "undefined"), used))

extern "C" {

// LeakSanitizer's own record of dynamic TLS guesses a block's bounds from a header that glibc
// 2.36 no longer writes: a block that happens to start 16 bytes into a page (of Mesa's or LLVM's
// modules, as the heap falls) gives it bounds from garbage, and its scan at exit crashes. The
// blocks are heap chunks that the thread's TLS vector points to, so they are scanned anyway.
QUELLON_NO_SANITIZE char const* __asan_default_options() {
    return "detect_leaks=1:strict_string_checks=1:detect_stack_use_after_return=1:"
           "intercept_tls_get_addr=0";
}

QUELLON_NO_SANITIZE char const* __ubsan_default_options() {
    return "print_stacktrace=1:halt_on_error=1";
}

// Leaks inside X11, Mesa, SDL and OpenAL are theirs, not ours.
QUELLON_NO_SANITIZE char const* __lsan_default_options() {
    return "suppressions=" QUELLON_SOURCE_DIR "/tools/lsan.supp:print_suppressions=0";
}
}

#include <dlfcn.h>

// SDL_Quit unloads Mesa's driver, and LeakSanitizer, which runs at exit, cannot tell a leak of
// an unloaded library from the program's own. Loaded once more for good, they stay.
__attribute__((constructor)) static void keepGraphicsDriversLoaded() {
    char const* const drivers[] = {"libGLX_mesa.so.0",
                                   "/usr/lib/x86_64-linux-gnu/dri/swrast_dri.so"};
    for (char const* driver : drivers)
        dlopen(driver, RTLD_LAZY | RTLD_NODELETE);
}
