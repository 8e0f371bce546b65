#include "LoopbackServers.h"
#include "Platform/Foundation/FileError.h"
#include "Platform/Storage/Paths.h"
#include "SessionRecorder.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <mutex>
#include <set>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/statvfs.h>

using foundation::Ref;
using urltest::Gate;
using urltest::RawServer;
using urltest::SessionRecorder;
using urltest::makeSession;
using urltest::request;

namespace {

constexpr std::int64_t kLimit = 64 * 1024;

Ref<net::URLSessionConfiguration> limited()
{
    auto configuration = net::URLSessionConfiguration::defaultSessionConfiguration();
    configuration->responseBodyLimit = kLimit;
    return configuration;
}

struct LimitOutcome {
    Ref<foundation::Error> error;
    std::string body;
};

LimitOutcome fetch(const std::string& url, Ref<net::URLSessionConfiguration> configuration,
                   double timeout = 10)
{
    SessionRecorder recorder;
    auto session = makeSession(recorder, std::move(configuration));
    auto req = request(url);
    req->setTimeoutInterval(timeout);
    session->dataTaskWithRequest(req)->resume();
    EXPECT_TRUE(recorder.waitForCompletions());
    return {recorder.error(), recorder.body()};
}

long long limitCode(const LimitOutcome& outcome)
{
    return outcome.error ? outcome.error->code() : 0;
}

std::string head(const std::string& fields)
{
    return "HTTP/1.1 200 OK\r\nContent-Type: application/json\r\n" + fields + "\r\n";
}

// `body` in chunks of `size` bytes.
std::vector<std::string> chunked(const std::string& body, std::size_t size)
{
    std::vector<std::string> pieces;
    for (std::size_t at = 0; at < body.size(); at += size) {
        const std::string piece = body.substr(at, size);
        char length[32];
        std::snprintf(length, sizeof length, "%zx\r\n", piece.size());
        pieces.push_back(length + piece + "\r\n");
    }
    pieces.emplace_back("0\r\n\r\n");
    return pieces;
}

} // namespace

TEST(ResponseBodyLimit, APlainBodyAnnouncingMoreIsRefusedAtOnce)
{
    Gate gate;
    RawServer server([&gate](int fd) {
        RawServer::readRequestHead(fd);
        RawServer::send(fd, head("Content-Length: 1073741824\r\n") + std::string(1024, 'x'));
        gate.wait(); // the rest never comes: only the announcement can end the task
    });
    auto outcome = fetch(server.url("/big"), limited());
    gate.open();
    EXPECT_EQ(limitCode(outcome), net::NSURLErrorDataLengthExceedsMaximum);
    EXPECT_EQ(outcome.error->localizedDescription(), "resource exceeds maximum size");
    EXPECT_EQ(outcome.body, "") << "nothing of a refused body reaches the delegate";
}

TEST(ResponseBodyLimit, ABodyThatGrowsPastItFailsWhereItPassesIt)
{
    const std::string body(4 * kLimit, 'c');
    RawServer server([&body](int fd) {
        RawServer::readRequestHead(fd);
        RawServer::send(fd, head("Transfer-Encoding: chunked\r\n"));
        for (const auto& piece : chunked(body, 8 * 1024))
            RawServer::send(fd, piece);
    });
    auto outcome = fetch(server.url("/chunked"), limited());
    EXPECT_EQ(limitCode(outcome), net::NSURLErrorDataLengthExceedsMaximum);
    EXPECT_LE(static_cast<std::int64_t>(outcome.body.size()), kLimit);
}

TEST(ResponseBodyLimit, ACompressedBodyCountsWhatItInflatesTo)
{
    // 16 MiB of zeros in 16 KB on the wire, announced with its true (small) length.
    const std::string bomb = urltest::gzipped(std::string(16 * 1024 * 1024, '\0'));
    ASSERT_LT(static_cast<std::int64_t>(bomb.size()), kLimit);
    RawServer server([&bomb](int fd) {
        RawServer::readRequestHead(fd);
        RawServer::send(fd, head("Content-Encoding: gzip\r\nContent-Length: " + std::to_string(bomb.size()) + "\r\n") + bomb);
    });
    auto outcome = fetch(server.url("/bomb"), limited());
    EXPECT_EQ(limitCode(outcome), net::NSURLErrorDataLengthExceedsMaximum);
    EXPECT_LE(static_cast<std::int64_t>(outcome.body.size()), kLimit);
}

TEST(ResponseBodyLimit, BodiesWithinItArriveWholeAndDownloadsAreNotBound)
{
    const std::string plain(kLimit, 'p');
    const std::string packed = urltest::gzipped(plain);
    RawServer server([&](int fd) {
        const std::string request = RawServer::readRequestHead(fd);
        if (request.find("/gzip") != std::string::npos)
            RawServer::send(fd, head("Content-Encoding: gzip\r\nContent-Length: " + std::to_string(packed.size()) + "\r\n") + packed);
        else if (request.find("/file") != std::string::npos)
            RawServer::send(fd, head("Content-Length: " + std::to_string(4 * kLimit) + "\r\n") + std::string(4 * kLimit, 'f'));
        else
            RawServer::send(fd, head("Content-Length: " + std::to_string(plain.size()) + "\r\n") + plain);
    });
    auto outcome = fetch(server.url("/plain"), limited());
    EXPECT_FALSE(outcome.error);
    EXPECT_EQ(outcome.body, plain);
    outcome = fetch(server.url("/gzip"), limited());
    EXPECT_FALSE(outcome.error);
    EXPECT_EQ(outcome.body, plain);

    SessionRecorder recorder;
    makeSession(recorder, limited())->downloadTaskWithRequest(request(server.url("/file")))->resume();
    ASSERT_TRUE(recorder.waitForCompletions());
    EXPECT_FALSE(recorder.error());
    EXPECT_EQ(recorder.downloadedBytes().size(), static_cast<std::size_t>(4 * kLimit));
}

// A download's own limit: a body that never ends fails where it passes the limit and leaves no
// file; one announcing more is refused before anything is written.
TEST(DownloadLengthLimit, AnEndlessOrLargerBodyFailsAndLeavesNoFile)
{
    RawServer server([](int fd) {
        const std::string request = RawServer::readRequestHead(fd);
        if (request.find("/announced") != std::string::npos) {
            RawServer::send(fd, "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(kLimit + 1) + "\r\n\r\n" + std::string(kLimit + 1, 'a'));
            return;
        }
        RawServer::send(fd, "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n");
        const std::vector<std::string> pieces(16, chunked(std::string(4096, 'e'), 4096).front());
        while (RawServer::sendPaced(fd, pieces, std::chrono::milliseconds(0))) {
        }
    });
    auto configuration = net::URLSessionConfiguration::defaultSessionConfiguration();
    configuration->downloadLengthLimit = kLimit;
    for (const char* path : {"/endless", "/announced"}) {
        SessionRecorder recorder;
        auto task = makeSession(recorder, configuration)->downloadTaskWithRequest(request(server.url(path)));
        task->resume();
        ASSERT_TRUE(recorder.waitForCompletions()) << path;
        ASSERT_TRUE(recorder.error()) << path;
        EXPECT_EQ(recorder.error()->code(), net::NSURLErrorDataLengthExceedsMaximum) << path;
        for (const std::int64_t written : recorder.writtenTotals())
            EXPECT_LE(written, kLimit) << path;
        EXPECT_EQ(recorder.downloadPath(), "") << path;
        EXPECT_FALSE(std::filesystem::exists(task->downloadFile())) << path;
    }
}

// Stalls end like silence does: the time-out interval here is half a second.
TEST(Stalls, ABodyTrickledBelowTheFloorTimesOut)
{
    RawServer server([](int fd) {
        RawServer::readRequestHead(fd);
        // One byte every 100 ms for 4 s: the idle time-out alone would never fire.
        std::vector<std::string> pieces{head("Transfer-Encoding: chunked\r\n")};
        for (const auto& piece : chunked(std::string(40, 't'), 1))
            pieces.push_back(piece);
        RawServer::sendPaced(fd, pieces, std::chrono::milliseconds(100));
    });
    auto outcome = fetch(server.url("/trickle"), nullptr, 0.5);
    EXPECT_EQ(limitCode(outcome), net::NSURLErrorTimedOut);
    EXPECT_LT(outcome.body.size(), 40u);
}

TEST(Stalls, AHeadThatNeverEndsTimesOut)
{
    RawServer server([](int fd) {
        RawServer::readRequestHead(fd);
        // A new header line every 100 ms, 3 KB a second: plenty of bytes, never a body.
        std::vector<std::string> pieces{"HTTP/1.1 200 OK\r\n"};
        for (int i = 0; i < 40; ++i)
            pieces.push_back("X-Wait-" + std::to_string(i) + ": " + std::string(300, 'w') + "\r\n");
        pieces.emplace_back("Content-Length: 2\r\n\r\nok");
        RawServer::sendPaced(fd, pieces, std::chrono::milliseconds(100));
    });
    auto outcome = fetch(server.url("/head"), nullptr, 0.5);
    EXPECT_EQ(limitCode(outcome), net::NSURLErrorTimedOut);
    EXPECT_EQ(outcome.body, "");
}

namespace {

std::uint64_t freeBytes(const std::filesystem::path& folder)
{
    struct statvfs space {};
    return ::statvfs(folder.c_str(), &space) == 0 ? static_cast<std::uint64_t>(space.f_bavail) * space.f_frsize : 0;
}

} // namespace

TEST(DownloadRoom, ALengthBeyondTheFreeSpaceFailsBeforeAnythingIsWritten)
{
    const auto folder = foundation::Paths::cacheHome(); // the download folder's file system
    const std::uint64_t announced = freeBytes(folder) + (1ull << 30);
    Gate gate;
    RawServer server([&](int fd) {
        RawServer::readRequestHead(fd);
        RawServer::send(fd, "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(announced) + "\r\n\r\n" + std::string(4096, 'd'));
        gate.wait();
    });
    SessionRecorder recorder;
    makeSession(recorder)->downloadTaskWithRequest(request(server.url("/huge")))->resume();
    ASSERT_TRUE(recorder.waitForCompletions());
    gate.open();
    auto error = recorder.error();
    ASSERT_TRUE(error);
    EXPECT_EQ(error->code(), net::NSURLErrorCannotWriteToFile);
    auto underlying = error->objectForUserInfoKey(foundation::NSUnderlyingErrorKey).as<foundation::Error>();
    ASSERT_TRUE(underlying);
    EXPECT_EQ(underlying->code(), foundation::NSFileWriteOutOfSpaceError);
    EXPECT_TRUE(recorder.writtenTotals().empty());
}

TEST(DownloadRoom, RoomIsReservedOneStepAheadOfWhatArrived)
{
    const auto folder = foundation::Paths::cacheHome(); // the download folder's file system
    constexpr std::int64_t kAnnounced = 512ll * 1024 * 1024;
    if (freeBytes(folder) < 2 * static_cast<std::uint64_t>(kAnnounced))
        GTEST_SKIP() << "needs 1 GiB free in " << folder;
    Gate gate;
    RawServer server([&](int fd) {
        RawServer::readRequestHead(fd);
        RawServer::send(fd, "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(kAnnounced) + "\r\n\r\n" + std::string(kLimit, 'd'));
        gate.wait();
    });
    SessionRecorder recorder;
    auto task = makeSession(recorder)->downloadTaskWithRequest(request(server.url("/announced")));
    task->resume();
    ASSERT_TRUE(recorder.waitForEvent("written"));
    struct stat file {};
    ASSERT_EQ(::stat(task->downloadFile().c_str(), &file), 0);
    // The file holds what came plus at most one step of 8 MiB, not the half gigabyte announced.
    EXPECT_LE(static_cast<std::int64_t>(file.st_blocks) * 512, kLimit + 9 * 1024 * 1024);
    task->cancel();
    gate.open();
    ASSERT_TRUE(recorder.waitForCompletions());
}

TEST(DownloadRoom, ADownloadShorterThanAnnouncedFails)
{
    RawServer server([](int fd) {
        RawServer::readRequestHead(fd);
        RawServer::send(fd, "HTTP/1.1 200 OK\r\nContent-Length: 102400\r\n\r\n" + std::string(10240, 'd'));
    });
    SessionRecorder recorder;
    makeSession(recorder)->downloadTaskWithRequest(request(server.url("/short")))->resume();
    ASSERT_TRUE(recorder.waitForCompletions());
    ASSERT_TRUE(recorder.error());
    EXPECT_EQ(recorder.error()->code(), net::NSURLErrorNetworkConnectionLost);
    EXPECT_EQ(recorder.downloadPath(), "") << "no file is handed over";
}

TEST(DownloadRoom, DownloadsAtOnceWithEndlessBodiesKeepTheReserveFree)
{
    // A disk of 48 MiB that holds only these downloads; each must leave 16 MiB of it free.
    constexpr std::uint64_t kDisk = 48ull << 20;
    constexpr std::uint64_t kReserve = 16ull << 20;
    constexpr int kDownloads = 3;
    RawServer server([](int fd) {
        RawServer::readRequestHead(fd);
        RawServer::send(fd, "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n");
        const std::string chunk = "40000\r\n" + std::string(0x40000, 'e') + "\r\n";
        for (;;) {
            std::size_t done = 0;
            while (done < chunk.size()) {
                const ssize_t n = ::send(fd, chunk.data() + done, chunk.size() - done, MSG_NOSIGNAL);
                if (n <= 0)
                    return; // the client hung up
                done += static_cast<std::size_t>(n);
            }
        }
    });
    auto files = std::make_shared<std::set<std::string>>(); // every download file the probe was asked about
    auto filesMutex = std::make_shared<std::mutex>();
    std::uint64_t lowest = kDisk;
    auto lowestMutex = std::make_shared<std::mutex>();
    auto configuration = net::URLSessionConfiguration::defaultSessionConfiguration();
    configuration->downloadFreeSpaceReserve = kReserve;
    configuration->freeSpaceProbe
        = [files, filesMutex, &lowest, lowestMutex](const std::string& path) -> std::optional<std::uint64_t> {
        std::uint64_t used = 0;
        {
            std::lock_guard lock(*filesMutex);
            files->insert(path);
            for (const auto& file : *files) {
                std::error_code ec;
                const auto size = std::filesystem::file_size(file, ec);
                used += ec ? 0 : size;
            }
        }
        const std::uint64_t free = used < kDisk ? kDisk - used : 0;
        std::lock_guard lock(*lowestMutex);
        lowest = std::min(lowest, free);
        return free;
    };
    std::vector<std::unique_ptr<SessionRecorder>> recorders;
    std::vector<Ref<net::URLSessionDownloadTask>> tasks;
    for (int i = 0; i < kDownloads; ++i) {
        recorders.push_back(std::make_unique<SessionRecorder>());
        tasks.push_back(makeSession(*recorders.back(), configuration)
                            ->downloadTaskWithRequest(request(server.url("/endless"))));
    }
    for (const auto& task : tasks)
        task->resume();
    for (int i = 0; i < kDownloads; ++i) {
        ASSERT_TRUE(recorders[std::size_t(i)]->waitForCompletions(1, 60))
            << "download " << i << " never ended";
        const auto error = recorders[std::size_t(i)]->error();
        ASSERT_TRUE(error);
        EXPECT_EQ(error->code(), net::NSURLErrorCannotWriteToFile) << "as a full disk";
        auto underlying
            = error->objectForUserInfoKey(foundation::NSUnderlyingErrorKey).as<foundation::Error>();
        ASSERT_TRUE(underlying);
        EXPECT_EQ(underlying->code(), foundation::NSFileWriteOutOfSpaceError);
    }
    std::lock_guard filesLock(*filesMutex);
    EXPECT_EQ(files->size(), std::size_t(kDownloads));
    for (const auto& file : *files)
        EXPECT_FALSE(std::filesystem::exists(file)) << "nothing half-written stays";
    // Each download asks every MiB and a write brings at most a few hundred KiB more, so the free
    // space never sinks far below the reserve, and the disk never fills.
    std::lock_guard lock(*lowestMutex);
    EXPECT_GE(lowest + kDownloads * (2ull << 20), kReserve) << "lowest free " << (lowest >> 20) << " MiB";
}
