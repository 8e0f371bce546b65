#pragma once

#include "Lib/ImageLoading/ILWebDefine.h"
#include "local-service/FaultScript.h"
#include "local-service/LocalService.h"
#include "local-service/RequestLog.h"

#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

namespace imagetest {

// What one requester of a load saw: every completion call in order, and the progress calls.
struct Outcome {
    struct Call {
        ILImageRef image;
        foundation::Ref<foundation::Data> data;
        foundation::Ref<foundation::Error> error;
        bool finished = false;
        bool onMainQueue = false;
    };
    std::vector<Call> calls;
    std::vector<std::pair<std::int64_t, std::int64_t>> progress;

    bool done() const { return !calls.empty() && calls.back().finished; }
    const Call& last() const { return calls.back(); }
    long long errorCode() const;
};

// Blocks that record into a shared outcome.
ILImageLoaderCompletedBlock recordCompletion(const std::shared_ptr<Outcome>& outcome);
ILImageLoaderProgressBlock recordProgress(const std::shared_ptr<Outcome>& outcome);

// One HTTPS local service per suite, trusted through SSL_CERT_FILE. Each test starts with no
// faults and empty request logs.
class ImageServiceTest : public ::testing::Test {
public:
    static void SetUpTestSuite();
    static void TearDownTestSuite();

protected:
    void SetUp() override;

    static localservice::LocalService& service() { return *service_; }
    // BASE + "files/" + path.
    static foundation::Ref<foundation::URL> fileURL(const std::string& path);
    // Puts bytes where the service serves them as files/uploads/<name>.
    static void upload(const std::string& name, const std::string& bytes);
    static localservice::Fault fault(localservice::Fault::Kind kind);
    // Runs the main queue until `predicate` holds (at most 20 s of real time).
    static bool waitFor(const std::function<bool()>& predicate);
    // The file requests the service saw for a path below files/.
    static std::vector<localservice::LoggedFileRequest> fileRequests(const std::string& path);

private:
    static std::unique_ptr<localservice::LocalService> service_;
};

} // namespace imagetest
