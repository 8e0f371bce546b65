#include "Platform/URLLoading/detail/TransferEngine.h"

#include "Platform/Dispatch/Queue.h"
#include "Platform/URLLoading/detail/Transfer.h"

#include <curl/curl.h>

#include <algorithm>
#include <chrono>

namespace net::detail {

TransferEngine& TransferEngine::shared()
{
    // Never destroyed: transfers may still be running while the process exits.
    static TransferEngine* engine = new TransferEngine();
    return *engine;
}

TransferEngine::TransferEngine()
{
    curl_global_init(CURL_GLOBAL_DEFAULT);
    multi_ = curl_multi_init();
    curl_multi_setopt(multi_, CURLMOPT_PIPELINING, CURLPIPE_MULTIPLEX);
    curl_multi_setopt(multi_, CURLMOPT_MAXCONNECTS, 64L);
    share_ = curl_share_init();
    // Only the engine thread uses the share, so it needs no lock functions.
    curl_share_setopt(share_, CURLSHOPT_SHARE, CURL_LOCK_DATA_COOKIE);
    thread_ = std::thread([this] { run(); });
    engineThread_ = thread_.get_id();
    thread_.detach();
}

void TransferEngine::post(std::function<void()> command)
{
    {
        std::lock_guard lock(mutex_);
        commands_.push_back(std::move(command));
    }
    curl_multi_wakeup(multi_);
}

void TransferEngine::deliver(const std::shared_ptr<dispatch::Queue>& queue, std::function<void()> block)
{
    if (!onEngineThread()) {
        queue->async(std::move(block));
        return;
    }
    for (auto& [target, blocks] : deliveries_) {
        if (target == queue) {
            blocks.push_back(std::move(block));
            return;
        }
    }
    deliveries_.emplace_back(queue, std::vector<std::function<void()>>{});
    deliveries_.back().second.push_back(std::move(block));
}

void TransferEngine::flushDeliveries()
{
    auto batches = std::move(deliveries_);
    deliveries_.clear();
    for (auto& [queue, blocks] : batches) {
        if (blocks.size() == 1) {
            queue->async(std::move(blocks.front()));
            continue;
        }
        queue->async([blocks = std::move(blocks)] {
            for (const auto& block : blocks)
                block();
        });
    }
}

void TransferEngine::start(std::shared_ptr<Transfer> transfer)
{
    post([this, transfer] { admit(transfer); });
}

void TransferEngine::cancel(std::shared_ptr<Transfer> transfer)
{
    post([this, transfer] { detach(transfer); });
}

void TransferEngine::setUserPaused(std::shared_ptr<Transfer> transfer, bool paused)
{
    post([this, transfer, paused] {
        transfer->userPaused = paused;
        if (active_.contains(transfer.get()))
            curl_easy_pause(transfer->easy(), paused ? CURLPAUSE_ALL : CURLPAUSE_CONT);
    });
}

void TransferEngine::resumeReceiving(std::shared_ptr<Transfer> transfer)
{
    post([this, transfer] {
        if (active_.contains(transfer.get()) && !transfer->userPaused)
            curl_easy_pause(transfer->easy(), CURLPAUSE_CONT);
    });
}

void TransferEngine::admit(const std::shared_ptr<Transfer>& transfer)
{
    if (transfer->isDetached())
        return;
    const std::string& key = transfer->hostKey();
    long& inUse = slotsInUse_[key];
    if (inUse >= transfer->connectionLimit()) {
        waiting_[key].push_back(transfer);
        return;
    }
    ++inUse;
    enter(transfer);
}

void TransferEngine::enter(const std::shared_ptr<Transfer>& transfer)
{
    transfer->attach(share_);
    active_[transfer.get()] = transfer;
    transfer->restartClocks();
    curl_multi_add_handle(multi_, transfer->easy());
    if (transfer->userPaused)
        curl_easy_pause(transfer->easy(), CURLPAUSE_ALL);
}

void TransferEngine::detach(const std::shared_ptr<Transfer>& transfer)
{
    transfer->markDetached();
    if (active_.erase(transfer.get()) > 0) {
        curl_multi_remove_handle(multi_, transfer->easy());
        transfer->closeFile();
        transfer->releaseHandle();
        releaseSlot(transfer->hostKey());
        return;
    }
    auto it = waiting_.find(transfer->hostKey());
    if (it != waiting_.end())
        std::erase(it->second, transfer);
}

void TransferEngine::releaseSlot(const std::string& key)
{
    long& inUse = slotsInUse_[key];
    inUse = std::max(0L, inUse - 1);
    auto it = waiting_.find(key);
    while (it != waiting_.end() && !it->second.empty() && inUse < it->second.front()->connectionLimit()) {
        auto next = it->second.front();
        it->second.pop_front();
        admit(next);
    }
    if (it != waiting_.end() && it->second.empty())
        waiting_.erase(it);
    if (inUse == 0 && (it == waiting_.end() || it->second.empty()))
        slotsInUse_.erase(key);
}

void TransferEngine::collectFinished()
{
    int remaining = 0;
    while (CURLMsg* message = curl_multi_info_read(multi_, &remaining)) {
        if (message->msg != CURLMSG_DONE)
            continue;
        void* privateData = nullptr;
        curl_easy_getinfo(message->easy_handle, CURLINFO_PRIVATE, &privateData);
        auto* raw = static_cast<Transfer*>(privateData);
        CURLcode code = message->data.result;
        auto it = active_.find(raw);
        if (it == active_.end())
            continue;
        retire(it->second, code);
    }
}

void TransferEngine::retire(std::shared_ptr<Transfer> transfer, int curlCode)
{
    active_.erase(transfer.get());
    curl_multi_remove_handle(multi_, transfer->easy());
    transfer->markDetached();
    if (auto again = transfer->retryOnFreshConnection(curlCode)) {
        transfer->releaseHandle();
        enter(again);
        return;
    }
    releaseSlot(transfer->hostKey());
    transfer->finished(curlCode);
    transfer->releaseHandle();
}

void TransferEngine::expireStalled()
{
    auto now = std::chrono::steady_clock::now();
    std::vector<std::shared_ptr<Transfer>> expired;
    for (const auto& [raw, transfer] : active_)
        if (transfer->stalled(now))
            expired.push_back(transfer);
    for (const auto& transfer : expired)
        retire(transfer, CURLE_OPERATION_TIMEDOUT);
}

void TransferEngine::run()
{
    for (;;) {
        std::vector<std::function<void()>> commands;
        {
            std::lock_guard lock(mutex_);
            commands.swap(commands_);
        }
        for (auto& command : commands)
            command();
        flushDeliveries();
        int running = 0;
        curl_multi_perform(multi_, &running);
        collectFinished();
        expireStalled();
        flushDeliveries();
        {
            std::lock_guard lock(mutex_);
            if (!commands_.empty())
                continue;
        }
        curl_multi_poll(multi_, nullptr, 0, active_.empty() ? 1000 : 100, nullptr);
    }
}

} // namespace net::detail
