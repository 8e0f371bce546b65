#pragma once

#include <cstdint>
#include <functional>

namespace graphics {

// Lets at most `capacity` full-size decodes run at once across the process, the caches' own
// decodes included, so that their peaks (a whole frame, up to the pixel limit) do not add up.
//
// A decode is full-size when its output or its working memory is the whole frame (a still decoded
// at its own size, an animation's canvas, the whole frame a scaled road decodes before it shrinks)
// and the frame has more than `pixelThreshold` pixels; a decode a decoder shrinks while it reads is
// not. Smaller frames pass without counting.
//
// A worker thread waits for a place. The main thread never waits: its decode (and one a main-queue
// block runs through another queue's sync()) goes through at once and counts, so workers asking
// meanwhile wait until it is done.
//
// Thread-safety: every function may be called from any thread.
class FullDecodeGate {
public:
    static constexpr int capacity = 2;
    // 1024 x 1024: 4 MiB of pixels at four bytes each.
    static constexpr std::int64_t pixelThreshold = 1024LL * 1024;

    // One place in the gate, given back when the hold ends; an empty hold for a frame that does not
    // count.
    class Hold {
    public:
        Hold() = default;
        Hold(Hold&& other) noexcept;
        Hold& operator=(Hold&& other) noexcept;
        Hold(const Hold&) = delete;
        Hold& operator=(const Hold&) = delete;
        ~Hold();

        bool counted() const { return counted_; }

    private:
        friend class FullDecodeGate;
        explicit Hold(bool counted)
            : counted_(counted)
        {
        }
        void release();

        bool counted_ = false;
    };

    static bool counts(std::int64_t width, std::int64_t height);
    // A place for a decode of a `width` x `height` frame: at once for a frame that does not count
    // and on the main thread, else once fewer than `capacity` decodes hold one.
    static Hold hold(std::int64_t width, std::int64_t height);
    // Decodes holding a place now.
    static int running();

    // For tests: called on the decoding thread, without the gate's lock, when a decode finds the
    // gate full and is about to wait (Waiting) and once it holds a place (Holding); a hook that
    // blocks in Holding keeps the decode in the gate. Empty removes it.
    enum class Event { Waiting, Holding };
    static void setTestHook(std::function<void(Event)> hook);
};

// The one call every full-size decode makes around its whole-frame work.
inline FullDecodeGate::Hold holdFullDecode(std::int64_t width, std::int64_t height)
{
    return FullDecodeGate::hold(width, height);
}

} // namespace graphics
