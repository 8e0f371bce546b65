#pragma once

#include <condition_variable>
#include <cstdint>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

// Deflates one large file on several threads and hands out a single raw deflate stream, in order.
//
// The file is cut into chunks; each chunk is compressed on its own with the 32 KiB before it as
// its dictionary and ends on a byte boundary (a sync flush), the last one with the final block, so
// the chunks joined together are one valid stream at the same level. Their checksums are combined
// in order. At most a few chunks per thread wait to be read, so memory stays bounded.
//
// read() is called from one thread; the workers only fill the chunk table under the mutex.
class ParallelDeflater {
public:
    static constexpr std::size_t kDefaultChunk = 1 << 20;

    // `fd` stays owned by the caller and open until this object is gone.
    ParallelDeflater(int fd, std::uint64_t size, int level, std::size_t chunkSize = kDefaultChunk);
    ~ParallelDeflater();
    ParallelDeflater(const ParallelDeflater&) = delete;
    ParallelDeflater& operator=(const ParallelDeflater&) = delete;

    // Compressed bytes, 0 at the end, -1 when reading or compressing failed (`systemError` set).
    std::int64_t read(void* buffer, std::size_t length, int& systemError);
    bool finished() const { return finished_; }
    std::uint32_t crc() const { return crc_; }

    // Files at least this large are worth the threads.
    static bool worthwhile(std::uint64_t size, std::size_t chunkSize = kDefaultChunk) { return size >= 4 * chunkSize; }

private:
    struct Chunk {
        std::vector<unsigned char> bytes;
        std::uint32_t crc = 0;
        std::uint64_t length = 0;
        int error = 0;
    };

    void work();
    Chunk compress(std::uint64_t index) const;

    const int fd_;
    const std::uint64_t size_;
    const int level_;
    const std::size_t chunkSize_;
    const std::uint64_t chunkCount_;
    std::size_t window_ = 0;

    std::mutex mutex_;
    std::condition_variable ready_;     // a chunk was finished
    std::condition_variable roomFreed_; // the reader took a chunk
    std::map<std::uint64_t, Chunk> done_;
    std::uint64_t nextToCompress_ = 0;
    std::uint64_t nextToRead_ = 0;
    bool stopping_ = false;
    std::vector<std::thread> workers_;

    // Reader side only.
    Chunk current_;
    std::size_t offset_ = 0;
    bool haveCurrent_ = false;
    bool finished_ = false;
    std::uint32_t crc_ = 0;
};
