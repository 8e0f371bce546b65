#include "Lib/ZipArchive/EntryReader.h"

#include "Lib/ZipArchive/AesDecoder.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <span>
#include <zip.h>
#include <zlib.h>

namespace {

constexpr std::uint16_t kAesMethod = 99;
// Version 1 carries a checksum as well as the authentication code.
constexpr std::uint16_t kAesVersionWithoutChecksum = 2;
constexpr std::size_t kInputSize = 64 * 1024;

} // namespace

EntryReader::EntryReader(zip_file_t* file, std::uint64_t expectedSize)
    : file_(file)
    , expectedSize_(expectedSize)
{
}

EntryReader::~EntryReader()
{
    if (stream_)
        inflateEnd(stream_.get());
    if (file_)
        zip_fclose(file_);
}

namespace zipentry {

zip_file_t* openEntryFile(zip_t* archive, std::uint64_t index, std::uint32_t flags, const std::string& password,
                          int& zipError)
{
    if (password.empty()) {
        zip_file_t* file = zip_fopen_index(archive, index, flags);
        if (!file)
            zipError = zip_error_code_zip(zip_get_error(archive));
        return file;
    }
    zip_stat_t status;
    zip_stat_init(&status);
    if (zip_stat_index(archive, index, 0, &status) == 0 && (status.valid & ZIP_STAT_ENCRYPTION_METHOD)
        && status.encryption_method != ZIP_EM_NONE && !zip_encryption_method_supported(status.encryption_method, 0)) {
        zipError = ZIP_ER_ENCRNOTSUPP;
        return nullptr;
    }
    zip_file_t* file = zip_fopen_index_encrypted(archive, index, flags, password.c_str());
    if (!file)
        zipError = zip_error_code_zip(zip_get_error(archive));
    return file;
}

} // namespace zipentry

std::unique_ptr<EntryReader> EntryReader::open(zip_t* archive, std::uint64_t index,
                                               const CentralDirectory::Entry& entry, const std::string& password,
                                               int& zipError)
{
    const bool ownAes = entry.info.compressionMethod == kAesMethod
        && (entry.aesMethod == ZIP_CM_STORE || entry.aesMethod == ZIP_CM_DEFLATE);
    if (ownAes && password.empty()) {
        zipError = ZIP_ER_NOPASSWD;
        return nullptr;
    }
    zip_file_t* file = zipentry::openEntryFile(archive, index, ownAes ? ZIP_FL_ENCRYPTED : 0, password, zipError);
    if (!file)
        return nullptr;
    std::unique_ptr<EntryReader> reader(new EntryReader(file, entry.info.uncompressedSize));
    if (ownAes && !reader->startDecrypting(archive, index, password, zipError))
        return nullptr;
    if (ownAes && entry.aesVersion != kAesVersionWithoutChecksum)
        reader->expectedCrc_ = entry.info.crc;
    if (ownAes && entry.aesMethod == ZIP_CM_DEFLATE && !reader->startInflating(zipError))
        return nullptr;
    return reader;
}

bool EntryReader::startDecrypting(zip_t* archive, std::uint64_t index, const std::string& password, int& zipError)
{
    zip_stat_t status;
    zip_stat_init(&status);
    if (zip_stat_index(archive, index, 0, &status) != 0 || !(status.valid & ZIP_STAT_COMP_SIZE)
        || !(status.valid & ZIP_STAT_ENCRYPTION_METHOD)) {
        zipError = ZIP_ER_INTERNAL;
        return false;
    }
    int keyBits = 0;
    switch (status.encryption_method) {
    case ZIP_EM_AES_128:
        keyBits = 128;
        break;
    case ZIP_EM_AES_192:
        keyBits = 192;
        break;
    case ZIP_EM_AES_256:
        keyBits = 256;
        break;
    default:
        zipError = ZIP_ER_ENCRNOTSUPP;
        return false;
    }
    const std::size_t headerLength = AesDecoder::saltLength(keyBits) + AesDecoder::kVerifierLength;
    if (status.comp_size < headerLength + AesDecoder::kCodeLength) {
        zipError = ZIP_ER_INCONS;
        return false;
    }
    std::array<std::uint8_t, AesDecoder::kMaxSaltLength + AesDecoder::kVerifierLength> header {};
    if (!readRaw(header.data(), headerLength)) {
        zipError = zipError_;
        return false;
    }
    bool wrongPassword = false;
    aes_ = AesDecoder::create(keyBits, password, std::span(header.data(), headerLength), wrongPassword);
    if (!aes_) {
        zipError = wrongPassword ? ZIP_ER_WRONGPASSWD : ZIP_ER_INTERNAL;
        return false;
    }
    encryptedLeft_ = status.comp_size - headerLength - AesDecoder::kCodeLength;
    return true;
}

bool EntryReader::startInflating(int& zipError)
{
    stream_ = std::make_unique<z_stream_s>();
    input_.resize(kInputSize);
    if (inflateInit2(stream_.get(), -MAX_WBITS) != Z_OK) {
        stream_.reset();
        zipError = ZIP_ER_ZLIB;
        return false;
    }
    return true;
}

std::int64_t EntryReader::fail()
{
    return failWith(zip_error_code_zip(zip_file_get_error(file_)));
}

std::int64_t EntryReader::failWith(int zipError)
{
    zipError_ = zipError;
    if (zipError == ZIP_ER_CRC)
        checksumFailed_ = true;
    // Also the library's own check of a stored entry's length against its declared size, at the end.
    if (zipError == ZIP_ER_INCONS)
        sizeMismatch_ = true;
    return -1;
}

std::int64_t EntryReader::read(char* buffer, std::size_t length)
{
    if (sizeMismatch_)
        return -1;
    // One byte more than may still come shows data that runs past the declared size.
    const std::uint64_t remaining = expectedSize_ - delivered_;
    const std::size_t asked = remaining < length ? static_cast<std::size_t>(remaining) + 1 : length;
    std::int64_t count = stream_ ? readInflated(buffer, asked) : readStored(buffer, asked);
    if (count < 0)
        return -1;
    if (static_cast<std::uint64_t>(count) > remaining || (count == 0 && remaining > 0))
        return failWith(ZIP_ER_INCONS);
    if (expectedCrc_) {
        crc_ = crc32_z(crc_, reinterpret_cast<const Bytef*>(buffer), static_cast<z_size_t>(count));
        if (count == 0 && crc_ != *expectedCrc_)
            return failWith(ZIP_ER_CRC);
    }
    delivered_ += static_cast<std::uint64_t>(count);
    return count;
}

std::int64_t EntryReader::readStored(char* buffer, std::size_t length)
{
    if (aes_)
        return readDecrypted(buffer, length);
    zip_int64_t count = zip_fread(file_, buffer, length);
    return count < 0 ? fail() : count;
}

bool EntryReader::readRaw(void* buffer, std::size_t length)
{
    auto* cursor = static_cast<char*>(buffer);
    while (length > 0) {
        zip_int64_t count = zip_fread(file_, cursor, length);
        if (count < 0) {
            fail();
            return false;
        }
        if (count == 0) {
            failWith(ZIP_ER_INCONS); // shorter than its directory record says
            return false;
        }
        cursor += count;
        length -= static_cast<std::size_t>(count);
    }
    return true;
}

std::int64_t EntryReader::readDecrypted(char* buffer, std::size_t length)
{
    // The library is never asked past the code: for a stored entry it would check a checksum there.
    if (encryptedLeft_ == 0) {
        if (authenticated_)
            return 0;
        std::array<std::uint8_t, AesDecoder::kCodeLength> code {};
        if (!readRaw(code.data(), code.size()))
            return -1;
        if (!aes_->authenticate(code))
            return failWith(ZIP_ER_CRC);
        authenticated_ = true;
        return 0;
    }
    const auto count = static_cast<std::size_t>(std::min<std::uint64_t>(length, encryptedLeft_));
    if (!readRaw(buffer, count))
        return -1;
    if (!aes_->decrypt(std::span(reinterpret_cast<std::uint8_t*>(buffer), count)))
        return failWith(ZIP_ER_INTERNAL);
    encryptedLeft_ -= count;
    return static_cast<std::int64_t>(count);
}

std::int64_t EntryReader::readInflated(char* buffer, std::size_t length)
{
    z_stream_s& stream = *stream_;
    if (streamEnded_) {
        // Read on to the end, which is where the authentication code is checked.
        std::int64_t rest = readStored(input_.data(), input_.size());
        if (rest < 0)
            return -1;
        return rest == 0 ? 0 : failInflating();
    }
    stream.next_out = reinterpret_cast<Bytef*>(buffer);
    stream.avail_out = static_cast<uInt>(std::min<std::size_t>(length, UINT32_MAX));
    while (stream.avail_out > 0 && !streamEnded_) {
        if (stream.avail_in == 0) {
            std::int64_t count = readStored(input_.data(), input_.size());
            if (count < 0)
                return -1;
            if (count == 0)
                return failInflating(); // the data ended before the deflate stream did
            stream.next_in = reinterpret_cast<Bytef*>(input_.data());
            stream.avail_in = static_cast<uInt>(count);
        }
        int result = inflate(&stream, Z_NO_FLUSH);
        if (result == Z_STREAM_END)
            streamEnded_ = true;
        else if (result != Z_OK)
            return failInflating();
    }
    auto produced = static_cast<std::int64_t>(length - stream.avail_out);
    if (produced == 0 && streamEnded_)
        return readInflated(buffer, length);
    return produced;
}

std::int64_t EntryReader::failInflating()
{
    // Only AES entries are inflated here. Damage to one is what its authentication code is there
    // to find, and a broken deflate stream is the usual sign of it: read on to the code and let it
    // decide which failure this is.
    for (;;) {
        std::int64_t count = readDecrypted(input_.data(), input_.size());
        if (count < 0)
            return -1;
        if (count == 0)
            return failWith(ZIP_ER_COMPRESSED_DATA);
    }
}

bool EntryReader::close()
{
    zip_file_t* file = file_;
    file_ = nullptr;
    return zip_fclose(file) != ZIP_ER_CRC;
}
