#pragma once

#include "Lib/ImageLoading/ILWebDefine.h"

#include <cstddef>
#include <cstdint>
#include <map>
#include <mutex>

// The decoded frames of the image the animated image view plays, by frame index, shared by the
// main thread and the player's fetch queue.
//
// Every image played is a new generation. A fetch notes the generation it was started for and
// hands its frame back with it; the frame is stored only when that generation is still the
// buffer's and the display link runs, checked under the lock the store takes, so a frame decoded
// for a replaced image never lands among the new image's frames, however late it comes.
// Thread-safe.
class ILAnimatedFrameBuffer {
public:
    using Generation = std::uint64_t;

    Generation generation() const;
    // The view plays another image: the generation moves on, and the held frames go unless
    // `keepFrames` (a longer partial image of the same data).
    void beginImage(bool keepFrames);
    void setLinkRunning(bool running);

    // Stores a fetched frame; answers whether it was stored (see above).
    bool storeFetched(Generation generation, std::size_t index, const ILImageRef& frame);
    // Stores a frame the main thread holds already.
    void store(std::size_t index, const ILImageRef& frame);
    ILImageRef frame(std::size_t index) const;
    std::size_t count() const;
    void clear();
    // Drops the frame at `index` when more than `limit` are held; answers whether all `total`
    // frames are held then.
    bool trim(std::size_t index, std::size_t limit, std::size_t total);

private:
    mutable std::mutex lock_;
    std::map<std::size_t, ILImageRef> frames_;
    Generation generation_ = 0;
    bool linkRunning_ = false;
};
