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
    // Each thread otherwise gets an arena of its own, up to eight per core, and a freed block goes
    // back to the arena it came from. The records of a font list are made on whichever pool thread
    // runs the read and freed on the main thread when the next list replaces it: every filter
    // change left the old list's space free in one more arena, where the next read, made on another
    // thread, could not reuse it (a 100,000-font catalogue grew the client by 2.5 times its size
    // after start within 30 changes). With the pool's threads sharing one arena, each read reuses
    // the space of the lists before it; they hold its lock only for their small blocks, as the
    // bitmaps are mapped on their own.
    mallopt(M_ARENA_MAX, kILProcessArenaLimit);
}

void ILReturnFreeMemory()
{
    // Unlike the automatic trim, which only gives back the free top of a heap, this also releases
    // the whole free pages inside it, where a list let go leaves most of its space.
    malloc_trim(0);
}
