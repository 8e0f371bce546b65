#include "Lib/ImageLoading/ILMemoryPolicy.h"

#include <malloc.h>

void ILApplyProcessMemoryPolicy()
{
    // The allocator maps a block of 128 KiB or more on its own and unmaps it when freed, but it
    // raises that threshold to the size of every such block freed: after the first decoded preview
    // is let go, every later one is carved from the heap of whichever decoding thread made it, and
    // what the memory cache evicts stays resident as free space scattered over a dozen arenas
    // (about 30 MB once a large catalogue was scrolled through, beside a cache of 64 MB). A fixed
    // threshold keeps bitmaps in mappings of their own, returned whole when released; setting it
    // also fixes the trim threshold, so the heaps give back their free tops as well. The cost is a
    // map and an unmap per decoded image, small beside the decode.
    mallopt(M_MMAP_THRESHOLD, 128 * 1024);
}
