#include "Lib/ZipArchive/ParallelDeflater.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <unistd.h>
#include <zlib.h>

namespace {

constexpr std::size_t kDictionary = 32 * 1024;

bool readFully(int fd, unsigned char* out, std::size_t length, std::uint64_t offset, int& error)
{
    std::size_t done = 0;
    while (done < length) {
        ssize_t count = ::pread(fd, out + done, length - done, static_cast<off_t>(offset + done));
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0) {
            error = count < 0 ? errno : EIO; // a file that shrank reads short
            return false;
        }
        done += static_cast<std::size_t>(count);
    }
    return true;
}

} // namespace

ParallelDeflater::ParallelDeflater(int fd, std::uint64_t size, int level, std::size_t chunkSize)
    : fd_(fd)
    , size_(size)
    , level_(level)
    , chunkSize_(chunkSize)
    , chunkCount_(size == 0 ? 1 : (size + chunkSize - 1) / chunkSize)
{
    std::size_t threads = std::clamp<std::size_t>(std::thread::hardware_concurrency(), 1, 8);
    threads = static_cast<std::size_t>(std::min<std::uint64_t>(threads, chunkCount_));
    window_ = threads * 2;
    workers_.reserve(threads);
    for (std::size_t i = 0; i < threads; ++i)
        workers_.emplace_back([this] { work(); });
}

ParallelDeflater::~ParallelDeflater()
{
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    roomFreed_.notify_all();
    for (std::thread& worker : workers_)
        worker.join();
}

void ParallelDeflater::work()
{
    for (;;) {
        std::uint64_t index;
        {
            std::unique_lock lock(mutex_);
            roomFreed_.wait(lock, [this] {
                return stopping_ || nextToCompress_ >= chunkCount_ || nextToCompress_ < nextToRead_ + window_;
            });
            if (stopping_ || nextToCompress_ >= chunkCount_)
                return;
            index = nextToCompress_++;
        }
        Chunk chunk = compress(index);
        {
            std::lock_guard lock(mutex_);
            done_.emplace(index, std::move(chunk));
        }
        ready_.notify_all();
    }
}

ParallelDeflater::Chunk ParallelDeflater::compress(std::uint64_t index) const
{
    Chunk chunk;
    const std::uint64_t start = index * chunkSize_;
    const auto length = static_cast<std::size_t>(std::min<std::uint64_t>(chunkSize_, size_ - start));
    const bool last = index + 1 == chunkCount_;
    const std::size_t dictionary = index == 0 ? 0 : std::min<std::size_t>(kDictionary, chunkSize_);

    std::vector<unsigned char> input(dictionary + length);
    if (!readFully(fd_, input.data(), input.size(), start - dictionary, chunk.error))
        return chunk;

    z_stream stream {};
    if (deflateInit2(&stream, level_, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
        chunk.error = ENOMEM;
        return chunk;
    }
    if (dictionary > 0)
        deflateSetDictionary(&stream, input.data(), static_cast<uInt>(dictionary));
    chunk.bytes.resize(deflateBound(&stream, static_cast<uLong>(length)) + 16);
    stream.next_in = input.data() + dictionary;
    stream.avail_in = static_cast<uInt>(length);
    stream.next_out = chunk.bytes.data();
    stream.avail_out = static_cast<uInt>(chunk.bytes.size());
    int result = deflate(&stream, last ? Z_FINISH : Z_SYNC_FLUSH);
    bool complete = last ? result == Z_STREAM_END : (result == Z_OK && stream.avail_in == 0);
    chunk.bytes.resize(chunk.bytes.size() - stream.avail_out);
    deflateEnd(&stream);
    if (!complete) {
        chunk.error = EIO;
        return chunk;
    }
    chunk.crc = static_cast<std::uint32_t>(crc32(0, input.data() + dictionary, static_cast<uInt>(length)));
    chunk.length = length;
    return chunk;
}

std::int64_t ParallelDeflater::read(void* buffer, std::size_t length, int& systemError)
{
    while (!haveCurrent_ || offset_ == current_.bytes.size()) {
        if (nextToRead_ == chunkCount_) {
            finished_ = true;
            return 0;
        }
        {
            std::unique_lock lock(mutex_);
            ready_.wait(lock, [this] { return done_.contains(nextToRead_); });
            auto found = done_.find(nextToRead_);
            current_ = std::move(found->second);
            done_.erase(found);
            ++nextToRead_;
        }
        roomFreed_.notify_all();
        if (current_.error) {
            systemError = current_.error;
            return -1;
        }
        crc_ = static_cast<std::uint32_t>(crc32_combine(crc_, current_.crc, static_cast<z_off_t>(current_.length)));
        offset_ = 0;
        haveCurrent_ = true;
    }
    std::size_t count = std::min(length, current_.bytes.size() - offset_);
    std::memcpy(buffer, current_.bytes.data() + offset_, count);
    offset_ += count;
    return static_cast<std::int64_t>(count);
}
