// Linked into every program of a sanitizer build (tests, tools, plug-in binaries), so
// that each reads the same options and suppressions, whether ctest, a script or a
// developer starts it. MOLTARO_SANITIZER_DIR is this folder.

extern "C" {

// Full stacks for every allocation: the system libraries have no frame pointers, and
// the leak suppressions name the library function an allocation came from.
const char* __asan_default_options() { return "fast_unwind_on_malloc=0"; }

const char* __lsan_default_options() {
    return "suppressions=" MOLTARO_SANITIZER_DIR "/lsan.supp:print_suppressions=0";
}

const char* __tsan_default_options() {
    return "suppressions=" MOLTARO_SANITIZER_DIR "/tsan.supp:print_suppressions=0";
}

}  // extern "C"
