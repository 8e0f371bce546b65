#pragma once

// Settles how the process's allocator treats large and short-lived memory: the decoded image
// buffers (a preview row's bitmap is a couple of hundred kilobytes) and the font lists that are
// read on a worker thread and let go on the main thread, so that what the caches and the pages let
// go goes back to the system instead of staying with the process. Call once at start-up, before
// any other thread starts.
void ILApplyProcessMemoryPolicy();

// The most allocator arenas ILApplyProcessMemoryPolicy() lets the process have: the main thread's
// and one more; the threads started after it are spread over both.
inline constexpr int kILProcessArenaLimit = 2;

// Gives the free pages of every allocator arena back to the system. For the moment after a large
// structure was let go (a font list of a whole catalogue); it walks the free memory, so it is not
// for every small release. Main thread or any other.
void ILReturnFreeMemory();
