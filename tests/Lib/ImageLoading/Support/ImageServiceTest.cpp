#include "ImageServiceTest.h"

#include "Platform/Dispatch/Queue.h"
#include "Platform/Dispatch/RunLoop.h"
#include "Platform/Foundation/Error.h"
#include "Platform/Foundation/URL.h"
#include "Support/TempHome.h"

#include <cstdlib>
#include <fstream>

namespace imagetest {

std::unique_ptr<localservice::LocalService> ImageServiceTest::service_;

long long Outcome::errorCode() const
{
    return calls.empty() || !calls.back().error ? 0 : calls.back().error->code();
}

ILImageLoaderCompletedBlock recordCompletion(const std::shared_ptr<Outcome>& outcome)
{
    return [outcome](const ILImageRef& image, const foundation::Ref<foundation::Data>& data,
               const foundation::Ref<foundation::Error>& error, bool finished) {
        outcome->calls.push_back({ image, data, error, finished, dispatch::mainQueue().isCurrent() });
    };
}

ILImageLoaderProgressBlock recordProgress(const std::shared_ptr<Outcome>& outcome)
{
    // Progress comes from the session's queue while completions come on the main queue: the
    // progress list is only read after the load finished.
    auto mutex = std::make_shared<std::mutex>();
    return [outcome, mutex](
               std::int64_t received, std::int64_t expected, const foundation::Ref<foundation::URL>&) {
        std::lock_guard lock(*mutex);
        outcome->progress.emplace_back(received, expected);
    };
}

void ImageServiceTest::SetUpTestSuite()
{
    localservice::ServiceOptions options;
    options.stateDir = testsupport::makeScratchDir("image-service");
    const char* binary = std::getenv("CORVANE_BINARY_DIR");
    options.resourcesDir = std::filesystem::path(binary ? binary : ".") / "resources";
    options.quiet = true;
    service_ = std::make_unique<localservice::LocalService>(options);
    std::string error;
    ASSERT_TRUE(service_->start(&error)) << error;
    setenv("SSL_CERT_FILE", service_->caCertificatePath().c_str(), 1);
}

void ImageServiceTest::TearDownTestSuite()
{
    service_.reset();
}

void ImageServiceTest::SetUp()
{
    ASSERT_TRUE(service_ && service_->isRunning());
    service_->faults().clearAll();
    service_->requestLog().clear();
}

foundation::Ref<foundation::URL> ImageServiceTest::fileURL(const std::string& path)
{
    return foundation::URL::URLWithString(service_->baseUrl() + "files/" + path);
}

void ImageServiceTest::upload(const std::string& name, const std::string& bytes)
{
    const auto folder = service_->stateDir() / "uploads";
    std::filesystem::create_directories(folder);
    std::ofstream(folder / name, std::ios::binary) << bytes;
}

localservice::Fault ImageServiceTest::fault(localservice::Fault::Kind kind)
{
    localservice::Fault made;
    made.kind = kind;
    return made;
}

bool ImageServiceTest::waitFor(const std::function<bool()>& predicate)
{
    return dispatch::RunLoop::runUntil(predicate, 20);
}

std::vector<localservice::LoggedFileRequest> ImageServiceTest::fileRequests(const std::string& path)
{
    std::vector<localservice::LoggedFileRequest> matching;
    for (auto& entry : service_->requestLog().fileEntries())
        if (entry.path == path)
            matching.push_back(std::move(entry));
    return matching;
}

} // namespace imagetest
