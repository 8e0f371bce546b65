#include "Lib/ZipArchive/EntrySource.h"

#include "Lib/ZipArchive/ParallelDeflater.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>
#include <zip.h>

namespace EntrySource {

namespace {

struct Context {
    std::string path;           // empty for bytes in memory
    std::vector<std::uint8_t> bytes;
    std::uint64_t size = 0;
    std::time_t mtime = 0;
    std::uint64_t done = 0;
    int fd = -1;
    int deflateLevel = 0; // non-zero: the source hands out deflated bytes
    std::unique_ptr<ParallelDeflater> deflater;
    bool crcKnown = false; // set once the deflater handed out its last byte
    std::uint32_t crc = 0;
    zip_error_t error;
};

zip_int64_t fail(Context& context, int zipError, int systemError)
{
    zip_error_set(&context.error, zipError, systemError);
    return -1;
}

zip_int64_t openSource(Context& context)
{
    context.done = 0;
    context.crcKnown = false;
    if (context.path.empty())
        return 0;
    context.fd = ::open(context.path.c_str(), O_RDONLY | O_CLOEXEC);
    if (context.fd < 0)
        return fail(context, ZIP_ER_OPEN, errno);
    struct stat status {};
    if (::fstat(context.fd, &status) != 0)
        return fail(context, ZIP_ER_READ, errno);
    if (static_cast<std::uint64_t>(status.st_size) != context.size)
        return fail(context, ZIP_ER_CHANGED, 0);
    if (context.deflateLevel)
        context.deflater = std::make_unique<ParallelDeflater>(context.fd, context.size, context.deflateLevel);
    return 0;
}

zip_int64_t readSource(Context& context, void* data, zip_uint64_t length)
{
    if (context.deflater) {
        int systemError = 0;
        std::int64_t count = context.deflater->read(data, length, systemError);
        if (count == 0 && context.deflater->finished()) {
            context.crc = context.deflater->crc();
            context.crcKnown = true;
        }
        return count < 0 ? fail(context, ZIP_ER_READ, systemError) : count;
    }
    std::uint64_t wanted = std::min<std::uint64_t>(length, context.size - context.done);
    if (wanted == 0)
        return 0;
    if (context.path.empty()) {
        std::memcpy(data, context.bytes.data() + context.done, wanted);
        context.done += wanted;
        return static_cast<zip_int64_t>(wanted);
    }
    for (;;) {
        ssize_t count = ::read(context.fd, data, wanted);
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0)
            return fail(context, ZIP_ER_READ, errno);
        if (count == 0) // shorter than when it was added
            return fail(context, ZIP_ER_EOF, 0);
        context.done += static_cast<std::uint64_t>(count);
        return count;
    }
}

void closeFile(Context& context)
{
    context.deflater.reset(); // its threads read the file until they are joined
    if (context.fd >= 0)
        ::close(context.fd);
    context.fd = -1;
}

zip_int64_t callback(void* state, void* data, zip_uint64_t length, zip_source_cmd_t command)
{
    auto& context = *static_cast<Context*>(state);
    switch (command) {
    case ZIP_SOURCE_OPEN:
        return openSource(context);
    case ZIP_SOURCE_READ:
        return readSource(context, data, length);
    case ZIP_SOURCE_CLOSE:
        closeFile(context);
        return 0;
    case ZIP_SOURCE_STAT: {
        auto* status = ZIP_SOURCE_GET_ARGS(zip_stat_t, data, length, &context.error);
        if (!status)
            return -1;
        zip_stat_init(status);
        status->size = context.size;
        status->mtime = context.mtime;
        status->valid |= ZIP_STAT_SIZE | ZIP_STAT_MTIME;
        if (context.deflateLevel) {
            status->comp_method = ZIP_CM_DEFLATE;
            status->valid |= ZIP_STAT_COMP_METHOD;
            // The checksum is known once every chunk was read; the library asks again then.
            if (context.crcKnown) {
                status->crc = context.crc;
                status->valid |= ZIP_STAT_CRC;
            }
        }
        return sizeof(zip_stat_t);
    }
    case ZIP_SOURCE_ERROR:
        return zip_error_to_data(&context.error, data, length);
    case ZIP_SOURCE_FREE:
        closeFile(context);
        zip_error_fini(&context.error);
        std::unique_ptr<Context>(&context).reset(); // the source owned it since it was made
        return 0;
    case ZIP_SOURCE_SUPPORTS:
        return zip_source_make_command_bitmap(ZIP_SOURCE_OPEN, ZIP_SOURCE_READ, ZIP_SOURCE_CLOSE, ZIP_SOURCE_STAT,
                                              ZIP_SOURCE_ERROR, ZIP_SOURCE_FREE, -1);
    default:
        return fail(context, ZIP_ER_OPNOTSUPP, 0);
    }
}

zip_source* make(zip* archive, std::unique_ptr<Context> context)
{
    zip_error_init(&context->error);
    zip_source_t* source = zip_source_function(archive, callback, context.get());
    if (!source) {
        zip_error_fini(&context->error);
        return nullptr;
    }
    context.release(); // freed by ZIP_SOURCE_FREE
    return source;
}

} // namespace

zip_source* fromFile(zip* archive, const std::string& path, std::uint64_t size, std::time_t mtime,
                     int deflateLevel)
{
    auto context = std::make_unique<Context>();
    context->path = path;
    context->size = size;
    context->mtime = mtime;
    if (deflateLevel >= 1 && deflateLevel <= 9 && ParallelDeflater::worthwhile(size))
        context->deflateLevel = deflateLevel;
    return make(archive, std::move(context));
}

zip_source* fromBytes(zip* archive, std::vector<std::uint8_t> bytes, std::time_t mtime)
{
    auto context = std::make_unique<Context>();
    context->size = bytes.size();
    context->bytes = std::move(bytes);
    context->mtime = mtime;
    return make(archive, std::move(context));
}

} // namespace EntrySource
