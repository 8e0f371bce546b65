#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

typedef void CURLM;
typedef void CURLSH;

namespace dispatch {
class Queue;
}

namespace net::detail {

class Transfer;

// The process-wide transfer engine: one libcurl multi handle driven by one thread of its own
// (curl_multi_poll, woken by curl_multi_wakeup). Every easy handle is touched on that thread
// only; other threads reach it through `post`. It keeps the connection pool (reuse, HTTP/2
// multiplexing), the shared cookie jar, and each session's per-host transfer limit.
class TransferEngine {
public:
    static TransferEngine& shared();

    // Admits the transfer when its session has a free slot for the host, else queues it.
    void start(std::shared_ptr<Transfer> transfer);
    // Removes the transfer without finishing it; a no-op once it has finished.
    void cancel(std::shared_ptr<Transfer> transfer);
    void setUserPaused(std::shared_ptr<Transfer> transfer, bool paused);
    // Lets a transfer that stopped reading (back-pressure, pending disposition) read again.
    void resumeReceiving(std::shared_ptr<Transfer> transfer);
    void post(std::function<void()> command);
    // Runs `block` on `queue`. Called on the engine thread, the blocks of one loop turn are
    // handed over as one batch per queue (in order), which saves a wake-up per callback.
    void deliver(const std::shared_ptr<dispatch::Queue>& queue, std::function<void()> block);

    CURLSH* cookieShare() const { return share_; }
    bool onEngineThread() const { return std::this_thread::get_id() == engineThread_; }

private:
    TransferEngine();
    void run();
    void admit(const std::shared_ptr<Transfer>& transfer);
    // Puts a transfer that holds a slot on the multi handle.
    void enter(const std::shared_ptr<Transfer>& transfer);
    void detach(const std::shared_ptr<Transfer>& transfer);
    void releaseSlot(const std::string& key);
    // Takes a transfer that ended (or stalled) off the multi handle and reports how it ended,
    // unless its request goes out again on a new connection, in the same slot.
    // By value: the reference in active_ goes before the transfer is done with.
    void retire(std::shared_ptr<Transfer> transfer, int curlCode);
    void collectFinished();
    void expireStalled();
    void flushDeliveries();

    CURLM* multi_ = nullptr;
    CURLSH* share_ = nullptr;
    std::mutex mutex_;
    std::vector<std::function<void()>> commands_;

    // Engine-thread state.
    std::map<Transfer*, std::shared_ptr<Transfer>> active_;
    std::map<std::string, long> slotsInUse_;
    std::map<std::string, std::deque<std::shared_ptr<Transfer>>> waiting_;
    std::vector<std::pair<std::shared_ptr<dispatch::Queue>, std::vector<std::function<void()>>>> deliveries_;
    std::thread thread_;
    std::thread::id engineThread_;
};

} // namespace net::detail
