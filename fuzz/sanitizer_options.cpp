// AddressSanitizer's allocator settings for the fuzz targets, built into
// each one so that the test command's short runs and the long runs the
// README describes behave alike (ASAN_OPTIONS, when set, still wins).
//
// quarantine_size_mb: freed memory waits 16 MB of later frees before it is
// used again, instead of 256 MB. One input allocates far less than that, so
// a use after free within an input still lands on poisoned memory; a
// quarantine of 256 MB sends every allocation to memory that has left the
// cache, and page faults and cache misses took over a tenth of the time.
//
// max_malloc_fill_size: new blocks are filled with the marker byte only in
// their first 256 bytes rather than 4 KB: a small object, the kind whose
// forgotten member would be read, is still marked whole, while the large
// blocks (a vector's reserved records, a document's text) are written
// before they are read.
extern "C" const char* __asan_default_options() {
    return "quarantine_size_mb=16:max_malloc_fill_size=256";
}
