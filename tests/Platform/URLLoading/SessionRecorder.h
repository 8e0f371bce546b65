#pragma once

#include "Platform/Foundation/Foundation.h"
#include "Platform/URLLoading/URLLoading.h"

#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

namespace urltest {

template <class T>
using Ref = foundation::Ref<T>;

// A session delegate that writes down what it is told, in order, and lets a test wait for the
// completion. Optional callbacks are installed only when asked for, so the session's defaults
// can be tested too.
class SessionRecorder {
public:
    SessionRecorder();

    std::shared_ptr<net::URLSessionDelegate> delegate;

    void recordResponses(net::ResponseDisposition disposition = net::ResponseDisposition::Allow);
    void recordRedirects(std::function<Ref<net::URLRequest>(const Ref<net::URLRequest>&)> choose);
    void answerChallenges(std::function<net::AuthChallengeDisposition(const Ref<net::URLAuthenticationChallenge>&,
                                                                      Ref<net::URLCredential>&)> answer);

    bool waitForCompletions(int count = 1, double seconds = 30);
    bool waitForEvent(const std::string& prefix, double seconds = 30);
    std::vector<std::string> events() const;
    std::string body() const;
    Ref<foundation::Error> error() const;
    int completions() const;
    std::vector<std::int64_t> sentTotals() const;
    std::vector<std::int64_t> writtenTotals() const;
    std::string downloadedBytes() const;     // read inside the finish callback
    bool downloadExistedAfterFinish() const; // checked at completion
    std::string downloadPath() const;

    void add(const std::string& event);

private:
    mutable std::mutex mutex_;
    std::condition_variable condition_;
    std::vector<std::string> events_;
    std::string body_;
    Ref<foundation::Error> error_;
    int completions_ = 0;
    std::vector<std::int64_t> sent_;
    std::vector<std::int64_t> written_;
    std::string downloaded_;
    std::string downloadPath_;
    bool downloadExisted_ = false;
};

// Runs one task to completion on a fresh session with `recorder` as delegate.
Ref<net::URLSession> makeSession(SessionRecorder& recorder, Ref<net::URLSessionConfiguration> configuration = nullptr);
Ref<net::URLRequest> request(const std::string& url, const std::string& method = "GET");

} // namespace urltest
