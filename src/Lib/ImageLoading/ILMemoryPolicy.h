#pragma once

// Settles how the process's allocator treats the decoded image buffers (a preview row's bitmap is
// a couple of hundred kilobytes), so that the memory of images the caches let go goes back to the
// system instead of staying with the process. Call once at start-up, before any thread decodes.
void ILApplyProcessMemoryPolicy();
