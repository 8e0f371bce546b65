// The download queue of KXHTTPREQUEST.

#include "Class/ServiceCore/Transport/KXDownloadFileName.h"
#include "Class/ServiceCore/Transport/KXGlobalDataBase.h"
#include "Class/ServiceCore/Transport/KXHTTPREQUEST.h"
#include "Lib/Networking/NKHTTPSessionManager.h"
#include "Lib/Networking/NKNetworking.h"
#include "Platform/Dispatch/OperationQueue.h"
#include "Platform/Dispatch/Progress.h"
#include "Platform/Dispatch/Queue.h"
#include "Platform/Dispatch/Semaphore.h"
#include "Platform/Foundation/FileError.h"
#include "Platform/Foundation/Format.h"
#include "Platform/Foundation/PrivateFiles.h"
#include "Platform/Foundation/URL.h"
#include "Platform/Storage/Paths.h"
#include "Platform/URLLoading/HTTPURLResponse.h"
#include "Platform/URLLoading/URLError.h"
#include "Platform/URLLoading/URLRequest.h"
#include "Platform/URLLoading/URLSessionConfiguration.h"
#include "Platform/URLLoading/URLSessionDownloadTask.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <random>
#include <system_error>

using foundation::Id;
using foundation::Ref;
using foundation::String;
namespace fs = std::filesystem;

// One accepted download: the caller's callbacks, where the file goes, and the signal that frees
// its transfer slot in fontsQueue.
struct KXHTTPREQUEST::DownloadState {
    PercentBlock percent;
    DictionaryBlock sucess;
    DictionaryBlock fail;
    dispatch::Semaphore transferEnded;
    std::mutex mutex;
    fs::path target;    // set by the destination step
    fs::path temporary; // where the session puts the bytes until the transfer is known good
};

namespace {

Ref<foundation::Error> errorWithDescription(long long code, const std::string& description, const std::string& URLString)
{
    auto userInfo = foundation::Dictionary::create({
        {Id(foundation::NSLocalizedDescriptionKey), Id(description)},
        {Id(foundation::NSURLErrorFailingURLStringErrorKey), Id(URLString)},
    });
    return foundation::Error::errorWithDomain(foundation::NSURLErrorDomain, code, userInfo);
}

// A status outside 2xx brings an error page, never the file that was asked for.
Ref<foundation::Error> statusError(const Ref<net::URLResponse>& response, const std::string& URLString)
{
    auto http = std::dynamic_pointer_cast<net::HTTPURLResponse>(response);
    if (!http || (http->statusCode() >= 200 && http->statusCode() < 300))
        return nullptr;
    return errorWithDescription(-1011,
                                foundation::format("Request failed: %@ (%ld)", net::HTTPURLResponse::localizedStringForStatusCode(http->statusCode()),
                                                   http->statusCode()),
                                URLString);
}

// Whether the https form of an http address failed to bring the file, as opposed to a failure
// that http would have met as well (an address that is none, the ceiling, the folder, a cancel).
bool secureFetchBroughtNoFile(const Ref<foundation::Error>& error)
{
    if (error && error->domain() == NKURLResponseSerializationErrorDomain)
        return true; // a status outside 2xx: an error page instead of the file
    if (!error || error->domain() != foundation::NSURLErrorDomain)
        return false;
    switch (error->code()) {
    case net::NSURLErrorBadURL:
    case net::NSURLErrorUnsupportedURL:
    case net::NSURLErrorCancelled:
    case net::NSURLErrorDataLengthExceedsMaximum:
    case net::NSURLErrorCannotCreateFile:
    case net::NSURLErrorCannotWriteToFile:
        return false;
    default:
        return true;
    }
}

Ref<foundation::Error> insecureAddressRefusal(const std::string& URLString, const Ref<foundation::Error>& secureFailure)
{
    auto userInfo = foundation::Dictionary::create({
        {Id(foundation::NSLocalizedDescriptionKey), Id(KXHTTPREQUEST::kInsecureAddressText)},
        {Id(foundation::NSURLErrorFailingURLStringErrorKey), Id(URLString)},
        {Id(foundation::NSUnderlyingErrorKey), Id(secureFailure)},
    });
    return foundation::Error::errorWithDomain(foundation::NSURLErrorDomain, KXHTTPREQUEST::kInsecureAddressCode, userInfo);
}

fs::path temporaryNameFor(const fs::path& target)
{
    std::random_device random;
    return target.parent_path() / foundation::format(".%@.%08X.part", target.filename().string(), random());
}

} // namespace

std::string KXHTTPREQUEST::secureDownloadAddress(std::string_view URLString)
{
    constexpr std::string_view plain = "http://";
    const bool isPlain = URLString.size() >= plain.size()
        && std::equal(plain.begin(), plain.end(), URLString.begin(),
                      [](char a, char b) { return a == std::tolower(static_cast<unsigned char>(b)); });
    if (!isPlain)
        return std::string(URLString);
    return "https://" + std::string(URLString.substr(plain.size()));
}

bool KXHTTPREQUEST::isInsecureAddressRefusal(const Ref<foundation::Dictionary>& userInfo)
{
    return Id(userInfo)[foundation::NSLocalizedDescriptionKey].stringValue() == kInsecureAddressText;
}

Ref<String> KXHTTPREQUEST::creatDirectoryWithSuggestName(const Ref<String>&)
{
    const fs::path folder = foundation::Paths::cacheDirectory() / "KXFonts";
    std::error_code ignored;
    foundation::PrivateFiles::createFolder(folder, ignored);
    return String::create(folder.string() + "/");
}

std::shared_ptr<dispatch::OperationQueue> KXHTTPREQUEST::fontsQueue()
{
    return fontsQueue_.getOrCreate([] {
        auto queue = dispatch::OperationQueue::create("KXFonts downloads");
        queue->setMaxConcurrentOperationCount(kMaxConcurrentDownloads);
        return queue;
    });
}

bool KXHTTPREQUEST::hasOperationForURL(std::string_view URLString) const
{
    std::lock_guard lock(mutex_);
    return operations_.contains(std::string(URLString));
}

std::size_t KXHTTPREQUEST::downLoadTaskCount() const
{
    std::lock_guard lock(mutex_);
    return downLoadTaskA_.size();
}

Ref<foundation::Dictionary> KXHTTPREQUEST::progressD() const
{
    std::lock_guard lock(mutex_);
    return foundation::Dictionary::dictionaryWithDictionary(*progressD_);
}

void KXHTTPREQUEST::downloadWithUrl(std::string_view URLString, PercentBlock percent, DictionaryBlock sucess, DictionaryBlock fail)
{
    const std::string url(URLString);
    auto state = std::make_shared<DownloadState>();
    state->percent = std::move(percent);
    state->sucess = std::move(sucess);
    state->fail = std::move(fail);

    // The operation holds one of the queue's slots for the whole transfer, so the queue's limit
    // bounds the transfers themselves.
    std::weak_ptr<KXHTTPREQUEST> weak = weak_from_this();
    auto operation = dispatch::BlockOperation::create([weak, url, state] {
        if (auto self = weak.lock())
            self->startDownload(url, state);
        else
            return;
        state->transferEnded.wait();
    });
    {
        std::lock_guard lock(mutex_);
        if (operations_.contains(url))
            return; // in flight here: one download, the first request's callbacks
        operations_[url] = operation;
    }
    fontsQueue()->addOperation(operation);
}

bool KXHTTPREQUEST::reportProgress(const std::string& URLString, long long percent)
{
    std::lock_guard lock(mutex_);
    const Id stored = progressD_->objectForKey(URLString);
    if (!stored.isNil() && stored.integerValue() >= percent)
        return false;
    progressD_->setObject(Id(foundation::format("%zd", percent)), Id(URLString));
    return true;
}

void KXHTTPREQUEST::finishDownload(const std::string& URLString)
{
    std::lock_guard lock(mutex_);
    operations_.erase(URLString);
}

void KXHTTPREQUEST::startDownload(const std::string& URLString, const std::shared_ptr<DownloadState>& state)
{
    std::weak_ptr<KXHTTPREQUEST> weak = weak_from_this();
    const std::string address = secureDownloadAddress(URLString);
    const bool madeSecure = address != URLString;
    auto url = foundation::URL::URLWithString(address);
    auto request = url ? net::URLRequest::requestWithURL(url, net::URLRequestCachePolicy::UseProtocolCachePolicy, kTimeoutInterval) : nullptr;
    auto manager = NKHTTPSessionManager::create(nullptr, KXSessionLimits::configuration(KXSessionLimits::kMaxReplyBytes, maximumDownloadBytes_));

    auto progress = [weak, URLString, state](const std::shared_ptr<dispatch::Progress>& report) {
        auto self = weak.lock();
        if (!self || !report)
            return;
        if (report->totalUnitCount() == 0)
            return; // nothing known yet: no fraction to report
        const float fraction = static_cast<float>(report->completedUnitCount()) / static_cast<float>(report->totalUnitCount());
        const auto percent = static_cast<long long>(std::clamp(fraction * 100.0, -1e15, 1e15));
        if (self->reportProgress(URLString, percent) && state->percent)
            state->percent(fraction);
    };
    auto destination = [URLString, state](const Ref<foundation::URL>&, const Ref<net::URLResponse>& response) {
        const fs::path folder = creatDirectoryWithSuggestName(nullptr)->utf8();
        const fs::path target = folder / KXDownloadFileName::safeName(response ? response->suggestedFilename() : std::string(), URLString);
        std::lock_guard lock(state->mutex);
        state->target = target;
        state->temporary = temporaryNameFor(target);
        return foundation::URL::fileURLWithPath(state->temporary.string());
    };
    auto completion = [weak, URLString, madeSecure, state](const Ref<net::URLResponse>& response, const Id&,
                                                           const Ref<foundation::Error>& taskError) {
        fs::path target;
        fs::path temporary;
        {
            std::lock_guard lock(state->mutex);
            target = state->target;
            temporary = state->temporary;
        }
        Ref<foundation::Error> error = taskError ? taskError : statusError(response, URLString);
        if (madeSecure && secureFetchBroughtNoFile(error))
            error = insecureAddressRefusal(URLString, error);
        if (!error && target.empty())
            error = errorWithDescription(-1, "The download left no file.", URLString);
        std::error_code code;
        if (!error) {
            fs::rename(temporary, target, code); // replaces an older file of that name in one step
            if (code)
                error = foundation::fileWriteError(target, code.value());
        }
        if (error && !temporary.empty())
            fs::remove(temporary, code);
        // A finished transfer, good or bad, frees the URL so that it can be asked for again.
        if (auto self = weak.lock())
            self->finishDownload(URLString);
        state->transferEnded.signal();

        if (error) {
            KXGlobalDataBase::sharedKXGlobalDataBase().setCurrentModule(String::create("数据迁移错误"));
            if (state->fail)
                state->fail(error->userInfo());
            return;
        }
        if (state->sucess)
            state->sucess(foundation::Dictionary::create({{Id("path"), Id(target.string())}}));
    };

    auto task = request ? manager->downloadTaskWithRequest(request, progress, destination, completion) : nullptr;
    if (!task) {
        dispatch::mainQueue().async([completion, URLString] { completion(nullptr, Id(), errorWithDescription(-1002, "unsupported URL", URLString)); });
        return;
    }
    {
        std::lock_guard lock(mutex_);
        downLoadTaskA_[URLString] = task;
    }
    task->resume();
}
