#include "Class/ServiceCore/Transport/KXUnitDownloader.h"

#include "Class/ServiceCore/Transport/KXDownloadFileName.h"
#include "Class/ServiceCore/Transport/KXSessionLimits.h"
#include "Lib/Networking/NKHTTPSessionManager.h"
#include "Platform/Dispatch/Operation.h"
#include "Platform/Dispatch/OperationQueue.h"
#include "Platform/Dispatch/Progress.h"
#include "Platform/Dispatch/Queue.h"
#include "Platform/Foundation/Error.h"
#include "Platform/Foundation/String.h"
#include "Platform/Foundation/URL.h"
#include "Platform/Storage/Paths.h"
#include "Platform/URLLoading/URLRequest.h"
#include "Platform/URLLoading/URLResponse.h"
#include "Platform/URLLoading/URLSessionConfiguration.h"
#include "Platform/URLLoading/URLSessionDownloadTask.h"

using foundation::Id;
using foundation::Ref;

namespace {

constexpr long kConcurrentDownloads = 5;
constexpr double kTimeout = 60.0;

} // namespace

std::shared_ptr<KXUnitDownloader> KXUnitDownloader::create()
{
    return create(foundation::Paths::homeDirectory() / "Documents");
}

std::shared_ptr<KXUnitDownloader> KXUnitDownloader::create(std::filesystem::path documents)
{
    return std::make_shared<KXUnitDownloader>(std::move(documents));
}

KXUnitDownloader::KXUnitDownloader(std::filesystem::path documents)
    : documents_(std::move(documents))
    , maximumDownloadBytes_(KXSessionLimits::kMaximumDownloadBytes)
{
}

Ref<foundation::MutableDictionary> KXUnitDownloader::downLoadTaskA()
{
    return downLoadTaskA_.getOrCreate([] { return foundation::MutableDictionary::create(); });
}

Ref<foundation::MutableDictionary> KXUnitDownloader::operations()
{
    return operations_.getOrCreate([] { return foundation::MutableDictionary::create(); });
}

std::shared_ptr<dispatch::OperationQueue> KXUnitDownloader::fontsQueue()
{
    return fontsQueue_.getOrCreate([] {
        auto queue = dispatch::OperationQueue::create();
        queue->setMaxConcurrentOperationCount(kConcurrentDownloads);
        return queue;
    });
}

void KXUnitDownloader::downloadWithUrlD(const Ref<foundation::Dictionary>& info, const std::function<void(float)>& percent,
                                        const std::function<void(const Ref<foundation::Dictionary>&)>& sucess,
                                        const std::function<void(const Ref<foundation::Dictionary>&)>& fail)
{
    const std::string urlText = Id(info)["data_download"].stringValue();
    auto url = foundation::URL::URLWithString(urlText);
    if (!url)
        return;
    auto request = net::URLRequest::requestWithURL(url, net::URLRequestCachePolicy::UseProtocolCachePolicy, kTimeout);

    auto running = operations();
    auto tasks = downLoadTaskA();
    auto queue = fontsQueue();
    auto placeholder = dispatch::BlockOperation::create([] {});
    {
        // Recorded before the download starts, so a second call for the URL in the meantime is ignored.
        std::lock_guard lock(mutex_);
        if (running->containsKey(std::string_view(urlText)))
            return;
        running->setObject(Id("downloading"), Id(urlText));
    }
    auto self = shared_from_this();
    auto start = dispatch::BlockOperation::create([self, request, urlText, running, tasks, queue, placeholder, percent,
                                                   sucess, fail] {
        dispatch::globalQueue().async([self, request, urlText, running, tasks, percent, sucess, fail] {
            auto manager = NKHTTPSessionManager::create(
                nullptr, KXSessionLimits::configuration(KXSessionLimits::kMaxReplyBytes, self->maximumDownloadBytes_));
            // The manager lives until its one download is over, then lets its session go.
            auto keeper = std::make_shared<Ref<NKHTTPSessionManager>>(manager);
            const auto folder = self->documents_;
            auto task = manager->downloadTaskWithRequest(
                request,
                [percent](const std::shared_ptr<dispatch::Progress>& progress) {
                    if (percent)
                        percent(static_cast<float>(progress->completedUnitCount()));
                },
                [folder, urlText](const Ref<foundation::URL>&, const Ref<net::URLResponse>& response) {
                    std::error_code ec;
                    std::filesystem::create_directories(folder, ec);
                    const std::string name = KXDownloadFileName::safeName(response ? response->suggestedFilename() : std::string(), urlText);
                    return foundation::URL::fileURLWithPath((folder / name).string());
                },
                [self, urlText, running, sucess, fail, keeper](const Ref<net::URLResponse>&, const Id& filePath,
                                                               const Ref<foundation::Error>& error) {
                    if (*keeper) {
                        (*keeper)->invalidateSessionCancelingTasks(false);
                        keeper->reset();
                    }
                    {
                        std::lock_guard lock(self->mutex_);
                        running->removeObjectForKey(Id(urlText));
                    }
                    auto location = filePath.as<foundation::URL>();
                    if (location && !error && sucess) {
                        const auto path = location->path();
                        sucess(foundation::Dictionary::create({{Id("path"), Id(path)}}));
                    }
                    if (error && fail)
                        fail(error->userInfo() ? error->userInfo() : foundation::Dictionary::create());
                });
            if (!task) {
                keeper->reset();
                return;
            }
            {
                std::lock_guard lock(self->mutex_);
                tasks->setObject(Id(task), Id(urlText));
            }
            task->resume();
        });
        queue->addOperation(placeholder);
    });
    start->start();
}
