#include "Lib/ZipArchive/EntryReader.h"

#include <algorithm>
#include <cstdint>
#include <zip.h>
#include <zlib.h>

namespace {

constexpr std::uint16_t kAesMethod = 99;
constexpr std::uint16_t kAesVersionWithoutChecksum = 2;
constexpr std::size_t kInputSize = 64 * 1024;

} // namespace

EntryReader::EntryReader(zip_file_t* file, bool inflating, std::uint64_t expectedSize)
    : file_(file)
    , expectedSize_(expectedSize)
{
    if (inflating) {
        stream_ = std::make_unique<z_stream_s>();
        input_.resize(kInputSize);
    }
}

EntryReader::~EntryReader()
{
    if (stream_)
        inflateEnd(stream_.get());
    if (file_)
        zip_fclose(file_);
}

std::unique_ptr<EntryReader> EntryReader::open(zip_t* archive, std::uint64_t index,
                                               const CentralDirectory::Entry& entry, const std::string& password,
                                               int& zipError)
{
    const bool ownInflate = entry.info.compressionMethod == kAesMethod && entry.aesVersion == kAesVersionWithoutChecksum
        && (entry.aesMethod == ZIP_CM_STORE || entry.aesMethod == ZIP_CM_DEFLATE);
    zip_flags_t flags = ownInflate ? ZIP_FL_COMPRESSED : 0;
    zip_file_t* file = password.empty() ? zip_fopen_index(archive, index, flags)
                                        : zip_fopen_index_encrypted(archive, index, flags, password.c_str());
    if (!file) {
        zipError = zip_error_code_zip(zip_get_error(archive));
        return nullptr;
    }
    const bool inflating = ownInflate && entry.aesMethod == ZIP_CM_DEFLATE;
    std::unique_ptr<EntryReader> reader(new EntryReader(file, inflating, entry.info.uncompressedSize));
    if (inflating && inflateInit2(reader->stream_.get(), -MAX_WBITS) != Z_OK) {
        reader->stream_.reset();
        zipError = ZIP_ER_ZLIB;
        return nullptr;
    }
    return reader;
}

std::int64_t EntryReader::fail()
{
    if (zip_error_code_zip(zip_file_get_error(file_)) == ZIP_ER_CRC)
        checksumFailed_ = true;
    return -1;
}

std::int64_t EntryReader::read(char* buffer, std::size_t length)
{
    if (stream_)
        return readInflated(buffer, length);
    zip_int64_t count = zip_fread(file_, buffer, length);
    return count < 0 ? fail() : count;
}

std::int64_t EntryReader::readInflated(char* buffer, std::size_t length)
{
    z_stream_s& stream = *stream_;
    if (streamEnded_) {
        // Read the library's side to its end, which is where the authentication code is checked.
        zip_int64_t rest = zip_fread(file_, input_.data(), input_.size());
        if (rest < 0)
            return fail();
        return rest == 0 && produced_ == expectedSize_ ? 0 : -1;
    }
    stream.next_out = reinterpret_cast<Bytef*>(buffer);
    stream.avail_out = static_cast<uInt>(std::min<std::size_t>(length, UINT32_MAX));
    while (stream.avail_out > 0 && !streamEnded_) {
        if (stream.avail_in == 0) {
            zip_int64_t count = zip_fread(file_, input_.data(), input_.size());
            if (count < 0)
                return fail();
            if (count == 0)
                return -1; // the compressed data ended before the stream did
            stream.next_in = reinterpret_cast<Bytef*>(input_.data());
            stream.avail_in = static_cast<uInt>(count);
        }
        int result = inflate(&stream, Z_NO_FLUSH);
        if (result == Z_STREAM_END)
            streamEnded_ = true;
        else if (result != Z_OK)
            return -1;
    }
    auto produced = static_cast<std::int64_t>(length - stream.avail_out);
    produced_ += static_cast<std::uint64_t>(produced);
    if (produced_ > expectedSize_)
        return -1;
    if (produced == 0 && streamEnded_)
        return readInflated(buffer, length);
    return produced;
}

bool EntryReader::close()
{
    zip_file_t* file = file_;
    file_ = nullptr;
    return zip_fclose(file) != ZIP_ER_CRC;
}
