#pragma once

#include <functional>
#include <memory>
#include <stdexcept>
#include <string>

namespace dispatch {

class Clock;

using Block = std::function<void()>;

// Raised for misuse that would otherwise deadlock or corrupt state, such as `sync` on the serial
// queue the caller is already running on.
class ProgrammingError : public std::logic_error {
public:
    using std::logic_error::logic_error;
};

enum class Priority { High, Default, Low, Background };

// A place to run blocks.
//
// Ordering guarantees:
// - Serial queues (including the main queue) run one block at a time, in submission order:
//   a block submitted with async/after/sync from one thread starts after every block that
//   thread submitted earlier to the same queue has finished. Everything a block wrote is
//   visible to the blocks that run after it on the same serial queue.
// - Global (concurrent) queues start blocks in submission order within one priority but run
//   them in parallel; there is no ordering between their blocks. Higher priorities are served
//   first. The pool behind them grows when every worker is busy, so blocks that sleep or wait
//   (a poll between requests, a group wait) do not starve other work.
// - `after` blocks are submitted when their deadline on the installed Clock is reached; two
//   `after` blocks on one serial queue run in deadline order, equal deadlines in submission
//   order.
// - The main queue runs on the main thread only, drained by the Qt event loop when the Qt drain
//   is installed and by RunLoop otherwise.
//
// Queues are shared objects: a block or pending delay keeps its queue alive until it has run.
// All members are thread-safe.
class Queue : public std::enable_shared_from_this<Queue> {
public:
    virtual ~Queue() = default;
    Queue(const Queue&) = delete;
    Queue& operator=(const Queue&) = delete;

    const std::string& label() const { return label_; }
    virtual bool isSerial() const = 0;

    // Submits `block` and returns at once.
    virtual void async(Block block) = 0;

    // Runs `block` on this queue and returns after it has finished. On a concurrent queue the
    // block runs on the calling thread. Throws ProgrammingError when the caller is already
    // running on this serial queue (directly or through nested `sync`), or calls the main
    // queue's sync on the main thread: both would deadlock. An exception thrown by `block`
    // reaches the caller.
    virtual void sync(const Block& block) = 0;

    // Submits `block` once `seconds` have passed on the installed clock (<= 0: at once).
    void after(double seconds, Block block);

    // True when the calling thread is running a block of this queue, also from inside a `sync`
    // to another queue made by such a block.
    bool isCurrent() const;

    // Queue-specific data, in the manner of a per-queue key/value slot: `value` is not owned.
    // Setting nullptr removes the key.
    void setSpecific(const void* key, void* value);
    void* specific(const void* key) const;
    // The value for `key` on the queue whose block the calling thread runs now (the innermost
    // one under nested `sync`); nullptr on a thread outside any queue or without that key.
    static void* currentSpecific(const void* key);

    // The queue whose block the calling thread runs now (innermost), or nullptr.
    static Queue* current();

protected:
    explicit Queue(std::string label);

private:
    struct SpecificSlots;
    std::string label_;
    std::shared_ptr<SpecificSlots> specifics_;
};

using QueueRef = std::shared_ptr<Queue>;

// The serial queue of the main thread.
Queue& mainQueue();
// The process-wide concurrent queue of `priority`.
Queue& globalQueue(Priority priority = Priority::Default);
// A new serial queue. At most one block of it runs at any instant, on some pool thread.
QueueRef makeSerialQueue(std::string label, Priority priority = Priority::Default);
// A new labelled concurrent queue over the pool, at `priority`.
QueueRef makeConcurrentQueue(std::string label, Priority priority = Priority::Default);

// The main thread is the thread that initialised the dispatch layer, which happens while the
// process starts, on the thread that runs main(). setMainThread() names another one (the Qt
// drain calls it for the GUI thread); call it before blocks are posted to the main queue.
void setMainThread();
bool isMainThread();

} // namespace dispatch
