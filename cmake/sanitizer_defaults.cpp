// Built into every program and library of the sanitiser build: the address
// sanitiser's default options (ASAN_OPTIONS still adds to and overrides them).
//
// intercept_tls_get_addr=0: the leak checker of this runtime records the
// thread-local blocks of libraries loaded at run time (the GL driver, the
// sound library ...) and guesses how long each is. A block that happens to
// start 16 bytes past a page boundary is taken to follow a {start, size}
// header that older C libraries wrote; with the sanitiser's allocator those
// 16 bytes are its own chunk header, so at exit the leak scan reads from a
// wild address and dies ("Tracer caught signal 11" in ScanRangeForPointers,
// exit 134). Whether it does depends only on where the allocator placed the
// block, so any change in the allocations before (a picture that fails to
// load) can bring it on. Without the interception those blocks are not
// scanned; leaks are still found everywhere else.
//
// Weak: a target whose parts (object libraries) carry it more than once
// keeps one.
extern "C" __attribute__((weak)) const char* __asan_default_options()
{
    return "intercept_tls_get_addr=0";
}
