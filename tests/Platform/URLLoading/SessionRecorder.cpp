#include "SessionRecorder.h"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace urltest {

SessionRecorder::SessionRecorder()
    : delegate(std::make_shared<net::URLSessionDelegate>())
{
    delegate->didReceiveData = [this](const auto&, const auto&, const Ref<foundation::Data>& data) {
        std::lock_guard lock(mutex_);
        body_.append(data->view());
        if (events_.empty() || events_.back() != "data")
            events_.push_back("data");
        condition_.notify_all();
    };
    delegate->didSendBodyData = [this](const auto&, const auto&, std::int64_t, std::int64_t total, std::int64_t expected) {
        std::lock_guard lock(mutex_);
        sent_.push_back(total);
        if (events_.empty() || !events_.back().starts_with("sent"))
            events_.push_back("sent of " + std::to_string(expected));
    };
    delegate->didWriteData = [this](const auto&, const auto&, std::int64_t, std::int64_t total, std::int64_t) {
        std::lock_guard lock(mutex_);
        written_.push_back(total);
        if (events_.empty() || events_.back() != "written")
            events_.push_back("written");
        condition_.notify_all();
    };
    delegate->didFinishDownloadingToURL = [this](const auto&, const auto&, const Ref<foundation::URL>& location) {
        std::ifstream in(location->path()->utf8(), std::ios::binary);
        std::stringstream bytes;
        bytes << in.rdbuf();
        std::lock_guard lock(mutex_);
        downloaded_ = bytes.str();
        downloadPath_ = location->path()->utf8();
        events_.push_back("finish");
    };
    delegate->didCompleteWithError = [this](const auto&, const auto&, const Ref<foundation::Error>& error) {
        std::lock_guard lock(mutex_);
        if (!downloadPath_.empty())
            downloadExisted_ = std::filesystem::exists(downloadPath_);
        error_ = error;
        ++completions_;
        events_.push_back(error ? "complete " + std::to_string(error->code()) : "complete");
        condition_.notify_all();
    };
}

void SessionRecorder::recordResponses(net::ResponseDisposition disposition)
{
    delegate->didReceiveResponse = [this, disposition](const auto&, const auto&, const Ref<net::URLResponse>& response,
                                                       net::ResponseHandler handler) {
        auto http = std::dynamic_pointer_cast<net::HTTPURLResponse>(response);
        add("response " + std::to_string(http ? http->statusCode() : 0));
        handler(disposition);
    };
}

void SessionRecorder::recordRedirects(std::function<Ref<net::URLRequest>(const Ref<net::URLRequest>&)> choose)
{
    delegate->willPerformHTTPRedirection = [this, choose](const auto&, const auto&, const Ref<net::HTTPURLResponse>& response,
                                                         const Ref<net::URLRequest>& next, net::RedirectHandler handler) {
        add("redirect " + std::to_string(response->statusCode()));
        handler(choose(next));
    };
}

void SessionRecorder::answerChallenges(
    std::function<net::AuthChallengeDisposition(const Ref<net::URLAuthenticationChallenge>&, Ref<net::URLCredential>&)> answer)
{
    delegate->didReceiveChallenge = [this, answer](const auto&, const Ref<net::URLAuthenticationChallenge>& challenge,
                                                   net::ChallengeHandler handler) {
        add("challenge " + challenge->protectionSpace()->authenticationMethod());
        Ref<net::URLCredential> credential;
        auto disposition = answer(challenge, credential);
        handler(disposition, credential);
    };
}

void SessionRecorder::add(const std::string& event)
{
    std::lock_guard lock(mutex_);
    events_.push_back(event);
    condition_.notify_all();
}

bool SessionRecorder::waitForEvent(const std::string& prefix, double seconds)
{
    std::unique_lock lock(mutex_);
    return condition_.wait_for(lock, std::chrono::duration<double>(seconds), [&] {
        for (const auto& event : events_)
            if (event.starts_with(prefix))
                return true;
        return false;
    });
}

bool SessionRecorder::waitForCompletions(int count, double seconds)
{
    std::unique_lock lock(mutex_);
    return condition_.wait_for(lock, std::chrono::duration<double>(seconds), [&] { return completions_ >= count; });
}

std::vector<std::string> SessionRecorder::events() const
{
    std::lock_guard lock(mutex_);
    return events_;
}

std::string SessionRecorder::body() const
{
    std::lock_guard lock(mutex_);
    return body_;
}

Ref<foundation::Error> SessionRecorder::error() const
{
    std::lock_guard lock(mutex_);
    return error_;
}

int SessionRecorder::completions() const
{
    std::lock_guard lock(mutex_);
    return completions_;
}

std::vector<std::int64_t> SessionRecorder::sentTotals() const
{
    std::lock_guard lock(mutex_);
    return sent_;
}

std::vector<std::int64_t> SessionRecorder::writtenTotals() const
{
    std::lock_guard lock(mutex_);
    return written_;
}

std::string SessionRecorder::downloadedBytes() const
{
    std::lock_guard lock(mutex_);
    return downloaded_;
}

bool SessionRecorder::downloadExistedAfterFinish() const
{
    std::lock_guard lock(mutex_);
    return downloadExisted_;
}

std::string SessionRecorder::downloadPath() const
{
    std::lock_guard lock(mutex_);
    return downloadPath_;
}

Ref<net::URLSession> makeSession(SessionRecorder& recorder, Ref<net::URLSessionConfiguration> configuration)
{
    return net::URLSession::sessionWithConfiguration(std::move(configuration), recorder.delegate);
}

Ref<net::URLRequest> request(const std::string& url, const std::string& method)
{
    auto result = net::URLRequest::requestWithURL(foundation::URL::URLWithString(url));
    result->setHTTPMethod(method);
    return result;
}

} // namespace urltest
