#include "Lib/ImageLoading/ILImageThumbnail.h"
#include "Lib/ImageLoading/ILWebDownloadToken.h"
#include "Lib/ImageLoading/ILWebDownloader.h"
#include "Lib/ImageLoading/ILWebDownloaderConfig.h"
#include "Lib/ImageLoading/ILWebDownloaderOperation.h"
#include "Lib/ImageLoading/ILWebDownloaderRequestModifier.h"
#include "Platform/Dispatch/NotificationCenter.h"
#include "Platform/Dispatch/OperationQueue.h"
#include "Platform/Dispatch/RunLoop.h"
#include "Platform/Foundation/Data.h"
#include "Platform/Foundation/Dictionary.h"
#include "Platform/Foundation/Error.h"
#include "Platform/Foundation/URL.h"
#include "Platform/Graphics/Image.h"
#include "Platform/URLLoading/URLError.h"
#include "Platform/URLLoading/URLRequest.h"
#include "Platform/URLLoading/URLSession.h"
#include "Platform/URLLoading/URLSessionDataTask.h"
#include "Support/ImageServiceTest.h"
#include "local-service/FileValidators.h"

#include <algorithm>
#include <mutex>
#include <thread>

using foundation::Ref;
using imagetest::Outcome;
using localservice::Fault;

namespace {

class Downloader : public imagetest::ImageServiceTest {
protected:
    void SetUp() override
    {
        ImageServiceTest::SetUp();
        downloader_ = ILWebDownloader::create();
    }

    // Starts a download recording into a new outcome.
    std::shared_ptr<Outcome> start(const Ref<foundation::URL>& url, ILWebDownloaderOptions options = 0,
        std::shared_ptr<ILWebDownloadToken>* token = nullptr, const ILContext& context = nullptr)
    {
        auto outcome = std::make_shared<Outcome>();
        auto made = downloader_->downloadImageWithURL(
            url, options, context, imagetest::recordProgress(outcome), imagetest::recordCompletion(outcome));
        if (token)
            *token = made;
        return outcome;
    }

    std::shared_ptr<Outcome> load(const Ref<foundation::URL>& url, ILWebDownloaderOptions options = 0)
    {
        auto outcome = start(url, options);
        EXPECT_TRUE(waitFor([&] { return outcome->done(); })) << url->absoluteString();
        return outcome;
    }

    std::shared_ptr<ILWebDownloader> downloader_;
};

const std::string kPreview = "previews/1001_day.png";

} // namespace

TEST_F(Downloader, DeliversTheDecodedImageAndTheBytesOnTheMainQueue)
{
    const auto outcome = load(fileURL(kPreview));
    ASSERT_EQ(outcome->calls.size(), 1u);
    const auto& call = outcome->last();
    ASSERT_NE(call.image, nullptr);
    EXPECT_EQ(call.error, nullptr);
    EXPECT_TRUE(call.onMainQueue);
    EXPECT_GT(call.image->image().width(), 0);
    ASSERT_NE(call.data, nullptr);
    EXPECT_EQ(call.data->view().substr(1, 3), "PNG");
    ASSERT_FALSE(outcome->progress.empty());
    EXPECT_EQ(outcome->progress.front(), std::make_pair(std::int64_t(0), std::int64_t(-1)));
    EXPECT_EQ(outcome->progress.back().first, static_cast<std::int64_t>(call.data->length()));
    EXPECT_EQ(outcome->progress.back().second, static_cast<std::int64_t>(call.data->length()));
}

TEST_F(Downloader, RequestsCarryTheUserAgentAndAccept)
{
    load(fileURL(kPreview));
    const auto requests = fileRequests(kPreview);
    ASSERT_EQ(requests.size(), 1u);
    ASSERT_NE(requests[0].header("Accept"), nullptr);
    EXPECT_EQ(*requests[0].header("Accept"), "image/*,*/*;q=0.8");
    ASSERT_NE(requests[0].header("User-Agent"), nullptr);
    EXPECT_EQ(requests[0].header("User-Agent")->rfind("corvane-fonts/0.1.0 (Linux ", 0), 0u)
        << *requests[0].header("User-Agent");
    EXPECT_EQ(ILWebDownloader::userAgent("字体", "1.0", "Debian GNU/Linux 12 (bookworm)"),
        "zi ti/1.0 (Linux Debian GNU/Linux 12 (bookworm))");

    downloader_->setValue("custom", "X-Extra");
    downloader_->setValue(std::nullopt, "accept");
    EXPECT_EQ(downloader_->valueForHTTPHeaderField("x-extra"), "custom");
    EXPECT_EQ(downloader_->valueForHTTPHeaderField("Accept"), std::nullopt);
    load(fileURL(kPreview + "?second"));
    const auto second = fileRequests(kPreview).back();
    EXPECT_TRUE(!second.header("Accept") || *second.header("Accept") != "image/*,*/*;q=0.8");
    ASSERT_NE(second.header("X-Extra"), nullptr);
}

TEST_F(Downloader, TwoRequestersShareOneTransferAndLeaveApart)
{
    service().faults().set("previews/", fault(Fault::Kind::NoReply));
    std::shared_ptr<ILWebDownloadToken> first, second;
    const auto a = start(fileURL(kPreview), 0, &first);
    const auto b = start(fileURL(kPreview), 0, &second);
    ASSERT_TRUE(first && second);
    EXPECT_NE(first, second);
    EXPECT_EQ(first->downloadOperation(), second->downloadOperation());
    ASSERT_TRUE(waitFor([&] { return service().faults().hangingCount() == 1; }));

    first->cancel();
    first->cancel();
    ASSERT_TRUE(waitFor([&] { return a->done(); }));
    EXPECT_EQ(a->errorCode(), ILWebErrorCancelled);
    EXPECT_FALSE(b->done()) << "the other requester keeps waiting";
    service().faults().clearAll();
    // The held request ends with 503; ask again now that nothing holds it.
    ASSERT_TRUE(waitFor([&] { return b->done(); }));
    EXPECT_EQ(fileRequests(kPreview).size(), 1u) << "one transfer for both";
    EXPECT_EQ(a->calls.size(), 1u) << "a cancelled requester hears nothing more";
}

TEST_F(Downloader, RequestersOfOneAddressAtTwoSizesGetEachTheirOwnDecode)
{
    std::shared_ptr<ILWebDownloadToken> small, large, plain;
    const auto a = start(fileURL(kPreview), 0, &small, ILContextWithThumbnail(nullptr, QSize(16, 16), false));
    const auto b = start(fileURL(kPreview), 0, &large, ILContextWithThumbnail(nullptr, QSize(64, 64), false));
    const auto c = start(fileURL(kPreview), 0, &plain);
    ASSERT_TRUE(small && large && plain);
    EXPECT_NE(small->downloadOperation(), large->downloadOperation());
    EXPECT_NE(large->downloadOperation(), plain->downloadOperation());
    ASSERT_TRUE(waitFor([&] { return a->done() && b->done() && c->done(); }));
    ASSERT_TRUE(a->last().image && b->last().image && c->last().image);
    const QSize whole = c->last().image->image().size();
    ASSERT_GT(whole.width(), 64) << "the sample is larger than both boxes";
    EXPECT_LE(a->last().image->image().width(), 16);
    EXPECT_GT(b->last().image->image().width(), 16);
    EXPECT_LE(b->last().image->image().width(), 64);
}

TEST_F(Downloader, CancellingTheLastRequesterCancelsTheDownloadOnce)
{
    service().faults().set("previews/", fault(Fault::Kind::NoReply));
    std::vector<Ref<foundation::Object>> stops;
    auto stopObserver = dispatch::NotificationCenter::defaultCenter().addObserver(
        std::string(ILWebDownloadStopNotification), {}, nullptr,
        [&](const dispatch::Notification& n) { stops.push_back(n.object.ref()); });
    std::shared_ptr<ILWebDownloadToken> token;
    const auto outcome = start(fileURL(kPreview), 0, &token);
    ASSERT_TRUE(waitFor([&] { return service().faults().hangingCount() == 1; }));
    token->cancel();
    ASSERT_TRUE(waitFor([&] { return outcome->done() && !stops.empty(); }));
    EXPECT_EQ(outcome->errorCode(), ILWebErrorCancelled);
    EXPECT_TRUE(outcome->last().error->userInfo()->empty());
    ASSERT_TRUE(waitFor([&] { return downloader_->currentDownloadCount() == 0; }));
    dispatch::RunLoop::drain();
    EXPECT_EQ(outcome->calls.size(), 1u);
    EXPECT_EQ(stops.size(), 1u);
}

TEST_F(Downloader, ABadStatusEndsWith2001AndTheStatus)
{
    auto notFound = fault(Fault::Kind::Status);
    notFound.status = 404;
    service().faults().set("previews/", notFound);
    const auto outcome = load(fileURL(kPreview));
    EXPECT_EQ(outcome->errorCode(), ILWebErrorInvalidDownloadStatusCode);
    EXPECT_EQ(outcome->last().error->domain(), "ILWebErrorDomain");
    EXPECT_EQ(
        outcome->last().error->objectForUserInfoKey("ILWebErrorDownloadStatusCodeKey").integerValue(), 404);
    EXPECT_FALSE(downloader_->shouldBlockFailedURLWithURL(nullptr, outcome->last().error));
}

TEST_F(Downloader, NotModifiedWithoutValidatorsEndsWith1002)
{
    auto notModified = fault(Fault::Kind::Status);
    notModified.status = 304;
    service().faults().set("previews/", notModified);
    const auto outcome = load(fileURL(kPreview));
    EXPECT_EQ(outcome->errorCode(), ILWebErrorCacheNotModified);
    EXPECT_TRUE(outcome->last().error->userInfo()->empty());
}

TEST_F(Downloader, ARefreshRevalidatesWithTheKeptValidators)
{
    const auto url = fileURL(kPreview);
    // A plain download keeps nothing: the refresh is a full download.
    load(url);
    EXPECT_EQ(downloader_->validators().count(), 0u);
    auto refreshed = load(url, ILWebDownloaderIgnoreCachedResponse);
    EXPECT_NE(refreshed->last().image, nullptr);
    EXPECT_EQ(fileRequests(kPreview).back().header("If-None-Match"), nullptr);

    // A cacheable download keeps the validators; the refresh sends them and hears 304.
    load(url, ILWebDownloaderUseNSURLCache);
    EXPECT_EQ(downloader_->validators().count(), 1u);
    refreshed = load(url, ILWebDownloaderIgnoreCachedResponse);
    const auto sent = fileRequests(kPreview).back();
    ASSERT_NE(sent.header("If-None-Match"), nullptr);
    ASSERT_NE(sent.header("If-Modified-Since"), nullptr);
    EXPECT_EQ(refreshed->errorCode(), ILWebErrorCacheNotModified);
    EXPECT_EQ(refreshed->last().image, nullptr);
}

// A 200 whose image never arrives whole leaves the validators of the cached copy: were the new tag
// kept at the response head, the next refresh would hear 304 and keep the old image for good.
TEST_F(Downloader, ARefreshThatFailsKeepsTheValidatorsOfTheCachedCopy)
{
    const auto first = load(fileURL("previews/1001_day.png"))->last().data;
    const auto second = load(fileURL("previews/1002_day.png"))->last().data;
    ASSERT_TRUE(first && second);
    const std::string oldBytes(first->view()), newBytes(second->view());
    ASSERT_NE(oldBytes, newBytes);
    const std::string path = "uploads/refresh.png";
    const auto url = fileURL(path);
    const ILWebDownloaderOptions refresh = ILWebDownloaderUseNSURLCache | ILWebDownloaderIgnoreCachedResponse;

    upload("refresh.png", oldBytes);
    ASSERT_NE(load(url, ILWebDownloaderUseNSURLCache)->last().image, nullptr);
    const std::string cachedTag = localservice::FileValidators::entityTag(oldBytes);

    // A body that is not an image, then the new image cut short.
    upload("refresh.png", "not an image at all");
    EXPECT_EQ(load(url, refresh)->errorCode(), ILWebErrorBadImageData);
    upload("refresh.png", newBytes);
    auto cut = fault(Fault::Kind::TruncatedDownload);
    cut.truncateAfter = newBytes.size() / 2;
    cut.remaining = 1;
    service().faults().set(path, cut);
    const auto failed = load(url, refresh);
    EXPECT_EQ(failed->last().image, nullptr);
    EXPECT_NE(failed->errorCode(), ILWebErrorCacheNotModified);

    const auto refreshed = load(url, refresh);
    const auto sent = fileRequests(path).back();
    ASSERT_NE(sent.header("If-None-Match"), nullptr);
    EXPECT_EQ(*sent.header("If-None-Match"), cachedTag);
    EXPECT_EQ(refreshed->last().error, nullptr) << refreshed->errorCode();
    ASSERT_NE(refreshed->last().data, nullptr);
    EXPECT_EQ(refreshed->last().data->view(), newBytes) << "the new image is shown";

    // Once decoded, the new image's validators are the kept ones.
    EXPECT_EQ(load(url, refresh)->errorCode(), ILWebErrorCacheNotModified);
    EXPECT_EQ(*fileRequests(path).back().header("If-None-Match"),
        localservice::FileValidators::entityTag(newBytes));
}

TEST_F(Downloader, ABodyWithoutLengthReportsAnExpectedSizeOfZero)
{
    service().faults().set("previews/", fault(Fault::Kind::Chunked));
    const auto outcome = load(fileURL(kPreview), ILWebDownloaderProgressiveLoad);
    ASSERT_NE(outcome->last().image, nullptr);
    ASSERT_GE(outcome->progress.size(), 2u);
    for (std::size_t i = 1; i < outcome->progress.size(); ++i)
        EXPECT_EQ(outcome->progress[i].second, 0) << i;
    EXPECT_EQ(outcome->calls.size(), 1u) << "no partial images without a length";
}

TEST_F(Downloader, ProgressIsThrottledByTheMinimumInterval)
{
    auto config = ILWebDownloaderConfig::create();
    config->setMinimumProgressInterval(0.1);
    downloader_ = ILWebDownloader::create(config);
    // About 7 KB sent in chunks of a tenth of the rate: many small chunks.
    auto slow = fault(Fault::Kind::SlowDownload);
    slow.bytesPerSecond = 20000;
    service().faults().set("previews/", slow);
    const auto outcome = load(fileURL(kPreview));
    ASSERT_NE(outcome->last().image, nullptr);
    const auto total = static_cast<std::int64_t>(outcome->last().data->length());
    std::vector<std::pair<std::int64_t, std::int64_t>> reported;
    for (const auto& step : outcome->progress)
        if (step.first > 0)
            reported.push_back(step);
    ASSERT_FALSE(reported.empty());
    EXPECT_EQ(reported.back().first, total) << "the last chunk is always reported";
    EXPECT_LE(reported.size(), 11u);
    for (std::size_t i = 1; i + 1 < reported.size(); ++i)
        EXPECT_GE(reported[i].first - reported[i - 1].first, total / 10 - 1) << i;
}

TEST_F(Downloader, EmptyAndUndecodableBodies)
{
    upload("empty.png", "");
    auto outcome = load(fileURL("uploads/empty.png"));
    EXPECT_EQ(outcome->errorCode(), ILWebErrorBadImageData);
    EXPECT_EQ(outcome->last().error->localizedDescription(), "Image data is nil");

    service().faults().set("previews/", fault(Fault::Kind::NotJson));
    outcome = load(fileURL(kPreview));
    EXPECT_EQ(outcome->errorCode(), ILWebErrorBadImageData);
    EXPECT_EQ(outcome->last().error->localizedDescription(), "Downloaded image has 0 pixels");
    EXPECT_TRUE(downloader_->shouldBlockFailedURLWithURL(nullptr, outcome->last().error));

    // An empty body with nobody waiting for a completion ends quietly.
    auto quiet = std::make_shared<Outcome>();
    downloader_->downloadImageWithURL(
        fileURL("uploads/empty.png"), 0, imagetest::recordProgress(quiet), nullptr);
    EXPECT_TRUE(waitFor([&] { return downloader_->currentDownloadCount() == 0; }));
}

TEST_F(Downloader, ANilModifierAnswerQueuesNothing)
{
    downloader_->setRequestModifier(
        ILWebDownloaderRequestModifier::requestModifierWithBlock([](const auto&) { return nullptr; }));
    auto outcome = std::make_shared<Outcome>();
    auto token = downloader_->downloadImageWithURL(
        fileURL(kPreview), 0, nullptr, imagetest::recordCompletion(outcome));
    EXPECT_EQ(token, nullptr);
    ASSERT_TRUE(outcome->done()) << "reported at once";
    EXPECT_EQ(outcome->errorCode(), ILWebErrorInvalidDownloadOperation);
    EXPECT_EQ(outcome->last().error->localizedDescription(), "Downloader operation is nil");
    EXPECT_EQ(downloader_->currentDownloadCount(), 0u);

    // The context's modifier wins over the downloader's.
    auto context = foundation::Dictionary::create({ { foundation::Id(ILWebContextDownloadRequestModifier),
        foundation::Id(
            ILWebDownloaderRequestModifier::requestModifierWithBlock([](const Ref<net::URLRequest>& request) {
                request->setValue("yes", "X-Modified");
                return request;
            })) } });
    outcome = start(fileURL(kPreview), 0, nullptr, context);
    ASSERT_TRUE(waitFor([&] { return outcome->done(); }));
    ASSERT_NE(fileRequests(kPreview).back().header("X-Modified"), nullptr);

    outcome = std::make_shared<Outcome>();
    EXPECT_EQ(downloader_->downloadImageWithURL(nullptr, imagetest::recordCompletion(outcome)), nullptr);
    ASSERT_TRUE(outcome->done());
    EXPECT_EQ(outcome->errorCode(), ILWebErrorInvalidURL);
    EXPECT_EQ(outcome->last().error->localizedDescription(), "Image url is nil");
}

TEST_F(Downloader, ATimeoutOfZeroMeansFifteenSeconds)
{
    auto config = ILWebDownloaderConfig::create();
    config->setDownloadTimeout(0);
    downloader_ = ILWebDownloader::create(config);
    std::shared_ptr<ILWebDownloadToken> token;
    const auto outcome = start(fileURL(kPreview), 0, &token);
    ASSERT_NE(token, nullptr);
    EXPECT_EQ(token->request()->timeoutInterval(), 15.0);
    EXPECT_EQ(token->request()->cachePolicy(), net::URLRequestCachePolicy::ReloadIgnoringLocalCacheData);
    EXPECT_TRUE(token->request()->HTTPShouldUsePipelining());
    EXPECT_FALSE(token->request()->HTTPShouldHandleCookies());
    config->setDownloadTimeout(3);
    EXPECT_EQ(downloader_->config()->downloadTimeout(), 0) << "the downloader keeps its own copy";
    // Ended here: a request still on its way would meet the next test's faults.
    EXPECT_TRUE(waitFor([&] { return outcome->done(); }));
}

TEST(DownloaderRules, BlockingOfFailedURLs)
{
    const auto downloader = ILWebDownloader::create();
    const auto web = [](long long code) { return ILWebMakeError(static_cast<ILWebErrorCode>(code)); };
    const auto url = [](long long code) { return net::makeURLError(code, nullptr); };
    EXPECT_TRUE(downloader->shouldBlockFailedURLWithURL(nullptr, web(1000)));
    EXPECT_TRUE(downloader->shouldBlockFailedURLWithURL(nullptr, web(1001)));
    for (long long code : { 1002, 2000, 2001, 2002 })
        EXPECT_FALSE(downloader->shouldBlockFailedURLWithURL(nullptr, web(code))) << code;
    for (long long code : { -1009, -999, -1001, -1018, -1020, -1003, -1004, -1005 })
        EXPECT_FALSE(downloader->shouldBlockFailedURLWithURL(nullptr, url(code))) << code;
    for (long long code : { -1100, -1103, -1202, -1 })
        EXPECT_TRUE(downloader->shouldBlockFailedURLWithURL(nullptr, url(code))) << code;
    EXPECT_FALSE(downloader->shouldBlockFailedURLWithURL(
        nullptr, foundation::Error::errorWithDomain("NSPOSIXErrorDomain", 2)));
    EXPECT_FALSE(downloader->shouldBlockFailedURLWithURL(nullptr, nullptr));
}

TEST(DownloaderRules, LoadOptionsBecomeDownloadOptions)
{
    EXPECT_EQ(ILWebDownloader::downloaderOptionsFromLoadOptions(
                  ILLoadLowPriority | ILLoadProgressiveLoad | ILLoadRefreshCached, nullptr),
        ILWebDownloaderLowPriority | ILWebDownloaderProgressiveLoad | ILWebDownloaderUseNSURLCache);
    EXPECT_EQ(ILWebDownloader::downloaderOptionsFromLoadOptions(0x10 | 0x20 | 0x40 | 0x80, nullptr),
        0x10u | 0x20 | 0x40 | 0x80);
    EXPECT_EQ(ILWebDownloader::downloaderOptionsFromLoadOptions(ILLoadScaleDownLargeImages
                      | ILLoadAvoidDecodeImage | ILLoadDecodeFirstFrameOnly | ILLoadPreloadAllFrames
                      | ILLoadMatchAnimatedImageClass | ILLoadDelayPlaceholder,
                  nullptr),
        256u | 512 | 1024 | 2048 | 4096);
    const auto cached = foundation::Dictionary::create({ { foundation::Id(ILWebContextLoaderCachedImage),
        foundation::Id(graphics::Image::create(QImage(1, 1, QImage::Format_RGB32))) } });
    EXPECT_EQ(ILWebDownloader::downloaderOptionsFromLoadOptions(
                  ILLoadRefreshCached | ILLoadProgressiveLoad, cached),
        ILWebDownloaderUseNSURLCache | ILWebDownloaderIgnoreCachedResponse);
    EXPECT_EQ(ILWebDownloaderOperation::imageOptionsFromDownloaderOptions(
                  256 | 512 | 1024 | 2048 | 4096 | 1 | 2 | 4),
        ILLoadScaleDownLargeImages | ILLoadAvoidDecodeImage | ILLoadDecodeFirstFrameOnly
            | ILLoadPreloadAllFrames | ILLoadMatchAnimatedImageClass);
}

TEST_F(Downloader, AtMostSixTransfersRunAtOnce)
{
    service().faults().set("previews/", fault(Fault::Kind::NoReply));
    std::vector<std::shared_ptr<Outcome>> outcomes;
    for (int i = 0; i < 10; ++i)
        outcomes.push_back(start(fileURL(kPreview + "?n=" + std::to_string(i))));
    ASSERT_TRUE(waitFor([&] { return service().faults().hangingCount() == 6; }));
    const auto operations = downloader_->downloadQueue()->operations();
    EXPECT_EQ(std::count_if(operations.begin(), operations.end(), [](const auto& operation) { return operation->isExecuting(); }), 6)
        << "the other four wait in the queue";
    EXPECT_EQ(service().faults().hangingCount(), 6);
    EXPECT_EQ(downloader_->currentDownloadCount(), 10u);
    service().faults().clearAll();
    ASSERT_TRUE(waitFor([&] {
        return std::all_of(outcomes.begin(), outcomes.end(), [](const auto& o) { return o->done(); });
    }));
    EXPECT_EQ(service().requestLog().peakFilesInFlight(), 6);
}

TEST_F(Downloader, NewestFirstAndPrioritiesOrderTheQueue)
{
    auto config = ILWebDownloaderConfig::create();
    config->setMaxConcurrentDownloads(1);
    config->setExecutionOrder(ILWebDownloaderExecutionOrder::LIFO);
    downloader_ = ILWebDownloader::create(config);
    downloader_->setSuspended(true);
    for (const char* name : { "1001_day.png", "1002_day.png", "1003_day.png" })
        start(fileURL(std::string("previews/") + name));
    downloader_->setSuspended(false);
    ASSERT_TRUE(waitFor([&] { return downloader_->currentDownloadCount() == 0; }));
    auto files = service().requestLog().fileEntries();
    ASSERT_EQ(files.size(), 3u);
    EXPECT_EQ(files[0].path, "previews/1003_day.png") << "the newest runs first";

    service().requestLog().clear();
    config = ILWebDownloaderConfig::create();
    config->setMaxConcurrentDownloads(1);
    downloader_ = ILWebDownloader::create(config);
    downloader_->setSuspended(true);
    start(fileURL("previews/1001_day.png"), ILWebDownloaderLowPriority);
    start(fileURL("previews/1002_day.png"));
    start(fileURL("previews/1003_day.png"), ILWebDownloaderHighPriority);
    downloader_->setSuspended(false);
    ASSERT_TRUE(waitFor([&] { return downloader_->currentDownloadCount() == 0; }));
    files = service().requestLog().fileEntries();
    ASSERT_EQ(files.size(), 3u);
    EXPECT_EQ(files[0].path, "previews/1003_day.png");
    EXPECT_EQ(files[1].path, "previews/1002_day.png");
    EXPECT_EQ(files[2].path, "previews/1001_day.png");
}

TEST_F(Downloader, BodiesOverTheCapEndWithDataLengthExceedsMaximum)
{
    auto announced = fault(Fault::Kind::AnnouncedLength);
    announced.announcedLength = ILWebDownloaderOperation::kMaximumBodyLength + 1;
    service().faults().set("previews/", announced);
    auto outcome = load(fileURL(kPreview));
    EXPECT_EQ(outcome->errorCode(), -1103);
    EXPECT_EQ(outcome->last().error->domain(), "NSURLErrorDomain");

    // A body without a length that grows past the cap.
    service().faults().clearAll();
    upload("huge.png", std::string(ILWebDownloaderOperation::kMaximumBodyLength + 4096, 'x'));
    service().faults().set("uploads/", fault(Fault::Kind::Chunked));
    outcome = load(fileURL("uploads/huge.png"));
    EXPECT_EQ(outcome->errorCode(), -1103);
    EXPECT_TRUE(downloader_->shouldBlockFailedURLWithURL(nullptr, outcome->last().error));
}

TEST_F(Downloader, ProgressiveLoadsDeliverPartialImagesBeforeTheWholeOne)
{
    auto slow = fault(Fault::Kind::SlowDownload);
    slow.bytesPerSecond = 40000;
    service().faults().set("previews/", slow);
    const auto outcome = load(fileURL(kPreview), ILWebDownloaderProgressiveLoad);
    ASSERT_GE(outcome->calls.size(), 2u);
    for (std::size_t i = 0; i + 1 < outcome->calls.size(); ++i) {
        EXPECT_FALSE(outcome->calls[i].finished);
        EXPECT_EQ(outcome->calls[i].data, nullptr);
        EXPECT_NE(outcome->calls[i].image, nullptr);
    }
    EXPECT_TRUE(outcome->last().finished);
    EXPECT_NE(outcome->last().data, nullptr);
}

// A requester that comes while a download delivers its answer gets a download of its own, and the
// ending one removes only itself from the table: every one of these loads ends.
TEST_F(Downloader, BackToBackLoadsOfOneURLAllEnd)
{
    int done = 0;
    std::function<void()> next = [&] {
        downloader_->downloadImageWithURL(
            fileURL(kPreview), 0, nullptr, [&](const auto& image, const auto&, const auto&, bool finished) {
                EXPECT_NE(image, nullptr);
                if (finished && ++done < 20)
                    next();
            });
    };
    next();
    ASSERT_TRUE(waitFor([&] { return done == 20; }));
    EXPECT_TRUE(waitFor([&] { return downloader_->currentDownloadCount() == 0; }));
}

namespace {

// An operation class of the downloader's users that keeps its task to itself: it neither reports
// it nor offers it as dataTask(). It hands back the body alone, undecoded.
class QuietOperation final : public dispatch::Operation, public ILWebDownloaderOperationProtocol {
public:
    QuietOperation(Ref<net::URLRequest> request, Ref<net::URLSession> session, ILWebDownloaderOptions options)
        : request_(std::move(request))
        , session_(std::move(session))
        , options_(options)
    {
    }

    bool isAsynchronous() const override { return true; }
    ILWebDownloaderCancelToken addHandlersForProgress(
        ILImageLoaderProgressBlock progress, ILImageLoaderCompletedBlock completed) override
    {
        std::lock_guard lock(mutex_);
        callbacks_ = std::make_shared<ILWebDownloaderCallbacks>(
            ILWebDownloaderCallbacks { std::move(progress), std::move(completed) });
        return callbacks_;
    }
    bool cancel(const ILWebDownloaderCancelToken&) override { return false; }
    Ref<net::URLRequest> request() const override { return request_; }
    Ref<net::URLResponse> response() const override { return nullptr; }
    ILWebDownloaderOptions options() const override { return options_; }

    void didReceiveData(const Ref<net::URLSession>&, const Ref<net::URLSessionDataTask>&,
        const Ref<foundation::Data>& data) override
    {
        std::lock_guard lock(mutex_);
        body_.append(data->view());
    }
    void didCompleteWithError(const Ref<net::URLSession>&, const Ref<net::URLSessionTask>&,
        const Ref<foundation::Error>& error) override
    {
        {
            std::lock_guard lock(mutex_);
            dispatch::mainQueue().async([callbacks = callbacks_, body = foundation::Data::create(body_),
                                            error] { callbacks->completed(nullptr, body, error, true); });
        }
        finish();
    }

protected:
    void main() override { session_->dataTaskWithRequest(request_)->resume(); }

private:
    const Ref<net::URLRequest> request_;
    const Ref<net::URLSession> session_;
    const ILWebDownloaderOptions options_;
    std::mutex mutex_;
    ILWebDownloaderCancelToken callbacks_;
    std::string body_;
};

} // namespace

TEST_F(Downloader, AnOperationThatKeepsItsTaskToItselfGetsItsCallbacksByItsURL)
{
    auto config = ILWebDownloaderConfig::create();
    config->setOperationClass(
        [](const Ref<net::URLRequest>& request, const Ref<net::URLSession>& session, unsigned long options,
            const ILContext&) { return std::make_shared<QuietOperation>(request, session, options); });
    downloader_ = ILWebDownloader::create(config);
    upload("quiet-1.bin", "the first body");
    upload("quiet-2.bin", "the second body");
    const auto first = start(fileURL("uploads/quiet-1.bin"));
    const auto second = start(fileURL("uploads/quiet-2.bin"));
    ASSERT_TRUE(waitFor([&] { return first->done() && second->done(); }));
    ASSERT_NE(first->last().data, nullptr);
    ASSERT_NE(second->last().data, nullptr);
    EXPECT_EQ(first->last().data->view(), "the first body");
    EXPECT_EQ(second->last().data->view(), "the second body");
    EXPECT_TRUE(waitFor([&] { return downloader_->currentDownloadCount() == 0; }));
}
