#include "Platform/Dispatch/InputStream.h"
#include "Platform/Dispatch/OutputStream.h"

#include "Support/TempHome.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>

namespace {

using dispatch::InputStream;
using dispatch::OutputStream;
using dispatch::StreamStatus;

std::string readAll(InputStream& stream, std::size_t chunk)
{
    std::string out;
    std::vector<std::uint8_t> buffer(chunk);
    for (;;) {
        const long n = stream.read(buffer.data(), buffer.size());
        if (n <= 0)
            break;
        out.append(reinterpret_cast<const char*>(buffer.data()), static_cast<std::size_t>(n));
    }
    return out;
}

std::string fileText(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// --- Input ---

TEST(InputStreamRead, DataStreamReadsEverythingThenReportsTheEnd)
{
    auto stream = InputStream::inputStreamWithData(foundation::Data::create(std::string_view("hello, world")));
    std::uint8_t byte = 0;
    EXPECT_EQ(stream->read(&byte, 1), -1) << "not open yet";
    EXPECT_EQ(stream->streamStatus(), StreamStatus::NotOpen);
    stream->open();
    EXPECT_EQ(stream->streamStatus(), StreamStatus::Open);
    EXPECT_TRUE(stream->hasBytesAvailable());
    EXPECT_EQ(readAll(*stream, 5), "hello, world");
    EXPECT_EQ(stream->streamStatus(), StreamStatus::AtEnd);
    EXPECT_FALSE(stream->hasBytesAvailable());
    EXPECT_EQ(stream->read(&byte, 1), 0);
    stream->close();
    EXPECT_EQ(stream->streamStatus(), StreamStatus::Closed);
    EXPECT_EQ(stream->read(&byte, 1), -1);
}

TEST(InputStreamRead, CopyStartsAgainFromTheBeginning)
{
    auto stream = InputStream::inputStreamWithData(foundation::Data::create(std::string_view("abc")));
    stream->open();
    EXPECT_EQ(readAll(*stream, 2), "abc");
    auto again = stream->copy();
    EXPECT_EQ(again->streamStatus(), StreamStatus::NotOpen);
    again->open();
    EXPECT_EQ(readAll(*again, 64), "abc");
}

TEST(InputStreamRead, FileStreamReadsTheFile)
{
    const auto path = testsupport::makeScratchDir("streams") / "in.bin";
    std::ofstream(path, std::ios::binary) << std::string(10000, 'x') << "end";
    auto stream = InputStream::inputStreamWithFileAtPath(path);
    stream->open();
    EXPECT_TRUE(stream->hasBytesAvailable());
    const std::string text = readAll(*stream, 4096);
    EXPECT_EQ(text.size(), 10003u);
    EXPECT_EQ(text.substr(10000), "end");
    EXPECT_EQ(stream->streamStatus(), StreamStatus::AtEnd);
}

TEST(InputStreamRead, MissingFileGivesAnErrorStatusAndPosixError)
{
    auto stream = InputStream::inputStreamWithFileAtPath(testsupport::makeScratchDir("streams") / "missing");
    stream->open();
    EXPECT_EQ(stream->streamStatus(), StreamStatus::Error);
    ASSERT_TRUE(stream->streamError());
    EXPECT_EQ(stream->streamError()->domain(), "NSPOSIXErrorDomain");
    EXPECT_EQ(stream->streamError()->code(), ENOENT);
    std::uint8_t byte;
    EXPECT_EQ(stream->read(&byte, 1), -1);
}

// --- Output ---

TEST(OutputStreamWrite, MemoryStreamCollectsTheBytes)
{
    auto stream = OutputStream::outputStreamToMemory();
    const std::string part = "abc";
    EXPECT_EQ(stream->write(reinterpret_cast<const std::uint8_t*>(part.data()), part.size()), -1);
    stream->open();
    EXPECT_TRUE(stream->hasSpaceAvailable());
    EXPECT_EQ(stream->write(reinterpret_cast<const std::uint8_t*>(part.data()), part.size()), 3);
    EXPECT_EQ(stream->write(reinterpret_cast<const std::uint8_t*>(part.data()), 1), 1);
    EXPECT_EQ(stream->dataWrittenToMemory()->view(), "abca");
    stream->close();
    EXPECT_EQ(stream->streamStatus(), StreamStatus::Closed);
}

TEST(OutputStreamWrite, FileStreamTruncatesOrAppends)
{
    const auto path = testsupport::makeScratchDir("streams") / "out.txt";
    std::ofstream(path) << "old content";
    const std::string text = "new";
    auto truncating = OutputStream::outputStreamToFileAtPath(path, false);
    truncating->open();
    EXPECT_EQ(truncating->write(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()), 3);
    truncating->close();
    EXPECT_EQ(fileText(path), "new");
    EXPECT_EQ(truncating->dataWrittenToMemory(), nullptr);

    auto appending = OutputStream::outputStreamToFileAtPath(path, true);
    appending->open();
    appending->write(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
    appending->close();
    EXPECT_EQ(fileText(path), "newnew");
}

TEST(OutputStreamWrite, UnwritableFileReportsTheError)
{
    auto stream = OutputStream::outputStreamToFileAtPath(
        testsupport::makeScratchDir("streams") / "no-such-folder" / "out.txt", false);
    stream->open();
    EXPECT_EQ(stream->streamStatus(), StreamStatus::Error);
    ASSERT_TRUE(stream->streamError());
    EXPECT_EQ(stream->streamError()->code(), ENOENT);
    const std::uint8_t byte = 1;
    EXPECT_EQ(stream->write(&byte, 1), -1);
}

TEST(OutputStreamWrite, FullDeviceIsAFailureNotASuccess)
{
    if (!std::filesystem::exists("/dev/full"))
        GTEST_SKIP() << "no /dev/full";
    auto stream = OutputStream::outputStreamToFileAtPath("/dev/full", true);
    stream->open();
    ASSERT_EQ(stream->streamStatus(), StreamStatus::Open);
    const std::string text(100, 'z');
    EXPECT_EQ(stream->write(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()), -1);
    EXPECT_EQ(stream->streamStatus(), StreamStatus::Error);
    EXPECT_EQ(stream->streamError()->code(), ENOSPC);
}

} // namespace
