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
    // after start within 30 changes). With two arenas, the first thread to allocate after the main
    // thread makes the second one and every later thread is handed one of the two, the one whose
    // lock is free at that moment or else the next in turn: the main thread's arena is among them,
    // so the workers end up spread over both (5 or 6 of 8 on the main thread's arena in a probe on
    // glibc 2.36). Whichever thread reads the next list then finds the space of the lists before
    // in one of the two. The price is contention: threads that allocate at the same time wait for
    // the two locks, the main thread for its own among them; short here, since the bitmaps are
    // mapped on their own and the rest are small blocks, but parallel allocation-heavy work (four
    // threads parsing JSON into objects) runs several times slower than with an arena each.
    mallopt(M_ARENA_MAX, kILProcessArenaLimit);
}

void ILReturnFreeMemory()
{
    // Unlike the automatic trim, which only gives back the free top of a heap, this also releases
    // the whole free pages inside it, where a list let go leaves most of its space.
    malloc_trim(0);
}
