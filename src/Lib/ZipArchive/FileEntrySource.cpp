#include "Lib/ZipArchive/FileEntrySource.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>
#include <zip.h>

namespace FileEntrySource {

namespace {

struct Context {
    std::string path;
    std::uint64_t size = 0;
    std::uint64_t done = 0;
    int fd = -1;
    zip_error_t error;
};

zip_int64_t fail(Context& context, int zipError, int systemError)
{
    zip_error_set(&context.error, zipError, systemError);
    return -1;
}

zip_int64_t openFile(Context& context)
{
    context.fd = ::open(context.path.c_str(), O_RDONLY | O_CLOEXEC);
    if (context.fd < 0)
        return fail(context, ZIP_ER_OPEN, errno);
    struct stat status {};
    if (::fstat(context.fd, &status) != 0)
        return fail(context, ZIP_ER_READ, errno);
    if (static_cast<std::uint64_t>(status.st_size) != context.size)
        return fail(context, ZIP_ER_CHANGED, 0);
    context.done = 0;
    return 0;
}

zip_int64_t readFile(Context& context, void* data, zip_uint64_t length)
{
    std::uint64_t wanted = std::min<std::uint64_t>(length, context.size - context.done);
    if (wanted == 0)
        return 0;
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

zip_int64_t callback(void* state, void* data, zip_uint64_t length, zip_source_cmd_t command)
{
    auto& context = *static_cast<Context*>(state);
    switch (command) {
    case ZIP_SOURCE_OPEN:
        return openFile(context);
    case ZIP_SOURCE_READ:
        return readFile(context, data, length);
    case ZIP_SOURCE_CLOSE:
        if (context.fd >= 0)
            ::close(context.fd);
        context.fd = -1;
        return 0;
    case ZIP_SOURCE_STAT: {
        auto* status = ZIP_SOURCE_GET_ARGS(zip_stat_t, data, length, &context.error);
        if (!status)
            return -1;
        zip_stat_init(status);
        status->size = context.size;
        status->valid |= ZIP_STAT_SIZE;
        return sizeof(zip_stat_t);
    }
    case ZIP_SOURCE_ERROR:
        return zip_error_to_data(&context.error, data, length);
    case ZIP_SOURCE_FREE:
        if (context.fd >= 0)
            ::close(context.fd);
        zip_error_fini(&context.error);
        std::unique_ptr<Context>(&context).reset(); // the source owned it since create()
        return 0;
    case ZIP_SOURCE_SUPPORTS:
        return zip_source_make_command_bitmap(ZIP_SOURCE_OPEN, ZIP_SOURCE_READ, ZIP_SOURCE_CLOSE, ZIP_SOURCE_STAT,
                                              ZIP_SOURCE_ERROR, ZIP_SOURCE_FREE, -1);
    default:
        return fail(context, ZIP_ER_OPNOTSUPP, 0);
    }
}

} // namespace

zip_source* create(zip* archive, const std::string& path, std::uint64_t size)
{
    auto context = std::make_unique<Context>();
    context->path = path;
    context->size = size;
    zip_error_init(&context->error);
    zip_source_t* source = zip_source_function(archive, callback, context.get());
    if (!source) {
        zip_error_fini(&context->error);
        return nullptr;
    }
    context.release(); // owned by the source now; freed by ZIP_SOURCE_FREE
    return source;
}

} // namespace FileEntrySource
