#include "Class/Update/Core/KXUpdateTransfer.h"

#include "Class/ServiceCore/Transport/KXDownloadFileName.h"
#include "Class/ServiceCore/Transport/KXHTTPREQUEST.h"
#include "Class/ServiceCore/Transport/KXSessionLimits.h"
#include "Platform/Dispatch/Queue.h"
#include "Platform/Foundation/Data.h"
#include "Platform/Foundation/Format.h"
#include "Platform/Foundation/FreeSpace.h"
#include "Platform/Foundation/URL.h"
#include "Platform/URLLoading/HTTPURLResponse.h"
#include "Platform/URLLoading/URLError.h"
#include "Platform/URLLoading/URLRequest.h"
#include "Platform/URLLoading/URLSession.h"
#include "Platform/URLLoading/URLSessionDataTask.h"

#include <cerrno>
#include <fcntl.h>
#include <optional>
#include <random>
#include <system_error>
#include <unistd.h>

namespace fs = std::filesystem;
using foundation::Ref;

// What the delegate callbacks share; they run on the session's queue one at a time.
struct KXUpdateTransfer::Job {
    std::string url;
    long long announcedSize = 0;
    Progress progress;
    Completion completion;

    fs::path target;
    fs::path temporary;
    int fd = -1;
    long long received = 0;
    long long reportedPercent = -1;
    bool oversized = false;
    bool noSpace = false;
    bool refused = false; // a status outside 2xx, or no file to write to

    bool write(const foundation::Data& data)
    {
        const std::uint8_t* bytes = data.bytes();
        std::size_t left = data.length();
        while (left > 0) {
            const ssize_t written = ::write(fd, bytes, left);
            if (written < 0 && errno == EINTR)
                continue;
            if (written <= 0) {
                noSpace = written == 0 || errno == ENOSPC || errno == EDQUOT;
                return false;
            }
            bytes += written;
            left -= static_cast<std::size_t>(written);
        }
        return true;
    }

    void finish(const Ref<net::URLSession>& session, bool failed)
    {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
        Outcome outcome = oversized                    ? Outcome::Oversized
            : noSpace                                  ? Outcome::NoSpace
            : (failed || refused || temporary.empty()) ? Outcome::Failed
                                                       : Outcome::Done;
        std::error_code error;
        if (outcome == Outcome::Done) {
            fs::rename(temporary, target, error); // replaces an older file of that name in one step
            if (error)
                outcome = Outcome::Failed;
        }
        if (outcome != Outcome::Done && !temporary.empty())
            fs::remove(temporary, error);
        if (session)
            session->finishTasksAndInvalidate();
        const fs::path file = outcome == Outcome::Done ? target : fs::path();
        dispatch::mainQueue().async([completion = std::move(completion), outcome, file] {
            if (completion)
                completion(outcome, file);
        });
        completion = nullptr;
        progress = nullptr;
    }
};

namespace {

fs::path temporaryNameFor(const fs::path& target)
{
    std::random_device random;
    return target.parent_path() / foundation::format(".%@.%08X.part", target.filename().string(), random());
}

// Whether the file system of `folder` has `bytes` free for an unprivileged writer, once what the
// client can fetch again (cached images) has made way; unknown counts as room, and the writes
// will tell.
bool hasRoomFor(const fs::path& folder, long long bytes)
{
    const auto wanted = static_cast<std::uint64_t>(bytes);
    std::optional<std::uint64_t> space = foundation::freeBytesAt(folder.string());
    if (space && wanted > *space && foundation::reclaimDiskRoom(folder.string(), wanted - *space) > 0)
        space = foundation::freeBytesAt(folder.string());
    return !space || wanted <= *space;
}

} // namespace

KXUpdateTransfer::KXUpdateTransfer(Ref<net::URLSession> session)
    : session_(std::move(session))
{
}

KXUpdateTransfer::~KXUpdateTransfer()
{
    session_->invalidateAndCancel();
}

std::unique_ptr<KXUpdateTransfer> KXUpdateTransfer::start(
    const std::string& url, long long announcedSize, Progress progress, Completion completion)
{
    auto job = std::make_shared<Job>();
    job->url = url;
    job->announcedSize = announcedSize;
    job->progress = std::move(progress);
    job->completion = std::move(completion);

    auto delegate = std::make_shared<net::URLSessionDelegate>();
    delegate->didReceiveResponse = [job](const Ref<net::URLSession>&, const Ref<net::URLSessionDataTask>&,
                                       const Ref<net::URLResponse>& response, net::ResponseHandler handler) {
        const auto http = std::dynamic_pointer_cast<net::HTTPURLResponse>(response);
        if (http && (http->statusCode() < 200 || http->statusCode() >= 300)) {
            job->refused = true;
            return handler(net::ResponseDisposition::Cancel);
        }
        if (response && response->expectedContentLength() > job->announcedSize) {
            job->oversized = true;
            return handler(net::ResponseDisposition::Cancel);
        }
        const fs::path folder = KXHTTPREQUEST::creatDirectoryWithSuggestName(nullptr)->utf8();
        job->target = folder
            / KXDownloadFileName::safeName(
                response ? response->suggestedFilename() : std::string(), job->url);
        const fs::path temporary = temporaryNameFor(job->target);
        job->fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (job->fd < 0) {
            job->refused = true;
            return handler(net::ResponseDisposition::Cancel);
        }
        job->temporary = temporary;
        handler(net::ResponseDisposition::Allow);
    };
    delegate->didReceiveData = [job](const Ref<net::URLSession>&, const Ref<net::URLSessionDataTask>& task,
                                   const Ref<foundation::Data>& data) {
        if (!data || job->fd < 0 || job->oversized || job->refused)
            return;
        // Not a byte past what was announced reaches the disk.
        if (job->received + static_cast<long long>(data->length()) > job->announcedSize) {
            job->oversized = true;
            task->cancel();
            return;
        }
        if (!job->write(*data)) {
            job->refused = true;
            task->cancel();
            return;
        }
        job->received += static_cast<long long>(data->length());
        const long long percent = job->received * 100 / job->announcedSize;
        if (percent > job->reportedPercent && job->progress) {
            job->reportedPercent = percent;
            job->progress(static_cast<float>(job->received) / static_cast<float>(job->announcedSize));
        }
    };
    delegate->didCompleteWithError
        = [job](const Ref<net::URLSession>& session, const Ref<net::URLSessionTask>&,
              const Ref<foundation::Error>& error) {
              // The session's own ceiling cut the body: more than any package, so more than announced.
              if (error && error->domain() == foundation::NSURLErrorDomain
                  && error->code() == net::NSURLErrorDataLengthExceedsMaximum)
                  job->oversized = true;
              job->finish(session, error != nullptr);
          };

    // The body streams to disk through the data task: its ceiling is the download's, not a reply's.
    auto session = net::URLSession::sessionWithConfiguration(
        KXSessionLimits::configuration(KXSessionLimits::kMaximumDownloadBytes), delegate);
    std::unique_ptr<KXUpdateTransfer> transfer(new KXUpdateTransfer(session));
    const auto address = foundation::URL::URLWithString(url);
    auto request = address
        ? net::URLRequest::requestWithURL(address, net::URLRequestCachePolicy::ReloadIgnoringLocalCacheData,
            KXHTTPREQUEST::kTimeoutInterval)
        : nullptr;
    if (!request || announcedSize <= 0) {
        job->refused = true;
        job->finish(session, true);
        return transfer;
    }
    if (!hasRoomFor(KXHTTPREQUEST::creatDirectoryWithSuggestName(nullptr)->utf8(), announcedSize)) {
        job->noSpace = true;
        job->finish(session, true);
        return transfer;
    }
    session->dataTaskWithRequest(request)->resume();
    return transfer;
}
