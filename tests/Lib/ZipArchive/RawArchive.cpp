#include "RawArchive.h"

#include <stdexcept>
#include <zlib.h>

namespace ziptest {

namespace {

void put16(std::string& out, std::uint32_t value)
{
    out.push_back(static_cast<char>(value & 0xFF));
    out.push_back(static_cast<char>((value >> 8) & 0xFF));
}

void put32(std::string& out, std::uint32_t value)
{
    put16(out, value & 0xFFFF);
    put16(out, value >> 16);
}

// The three keys of the traditional encryption, stirred by each plain byte.
class TraditionalKeys {
public:
    explicit TraditionalKeys(const std::string& password)
    {
        for (char c : password)
            update(static_cast<std::uint8_t>(c));
    }

    std::uint8_t streamByte() const
    {
        std::uint32_t t = (keys_[2] | 2) & 0xFFFF;
        return static_cast<std::uint8_t>((t * (t ^ 1)) >> 8);
    }

    void update(std::uint8_t plain)
    {
        keys_[0] = crcStep(keys_[0], plain);
        keys_[1] = (keys_[1] + (keys_[0] & 0xFF)) * 134775813 + 1;
        keys_[2] = crcStep(keys_[2], static_cast<std::uint8_t>(keys_[1] >> 24));
    }

private:
    static std::uint32_t crcStep(std::uint32_t crc, std::uint8_t byte)
    {
        return static_cast<std::uint32_t>(get_crc_table()[(crc ^ byte) & 0xFF]) ^ (crc >> 8);
    }

    std::uint32_t keys_[3] = { 0x12345678, 0x23456789, 0x34567890 };
};

} // namespace

std::string traditionalEncrypted(const std::string& password, const std::string& data)
{
    TraditionalKeys keys(password);
    std::string out;
    for (char c : data) {
        auto plain = static_cast<std::uint8_t>(c);
        out.push_back(static_cast<char>(plain ^ keys.streamByte()));
        keys.update(plain);
    }
    return out;
}

std::string traditionalDecrypted(const std::string& password, const std::string& data)
{
    TraditionalKeys keys(password);
    std::string out;
    for (char c : data) {
        auto plain = static_cast<std::uint8_t>(static_cast<std::uint8_t>(c) ^ keys.streamByte());
        out.push_back(static_cast<char>(plain));
        keys.update(plain);
    }
    return out;
}

std::string rawArchive(const std::vector<RawEntry>& entries)
{
    std::string body;
    std::string directory;
    std::vector<std::uint32_t> offsets;
    for (const RawEntry& entry : entries) {
        std::uint32_t size = entry.uncompressedSize == 0xFFFFFFFF
            ? static_cast<std::uint32_t>(entry.data.size())
            : entry.uncompressedSize;
        std::uint32_t compressed
            = entry.compressedSize.value_or(static_cast<std::uint32_t>(entry.data.size()));
        std::string extra;
        if (entry.zip64Size) {
            put16(extra, 0x0001);
            put16(extra, 16);
            put32(extra, static_cast<std::uint32_t>(*entry.zip64Size));
            put32(extra, static_cast<std::uint32_t>(*entry.zip64Size >> 32));
            put32(extra, compressed);
            put32(extra, 0);
            size = compressed = 0xFFFFFFFF;
        }
        extra += entry.extra;
        std::uint32_t crc = 0;
        if (entry.method == 0)
            crc = static_cast<std::uint32_t>(crc32(
                0, reinterpret_cast<const Bytef*>(entry.data.data()), static_cast<uInt>(entry.data.size())));
        crc = entry.crc.value_or(crc);
        if (entry.corruptCrc)
            crc ^= 0xDEADBEEF;
        std::uint32_t offset = 0;
        if (entry.sharesLocalHeaderOf) {
            offset = offsets.at(*entry.sharesLocalHeaderOf);
        } else {
            offset = static_cast<std::uint32_t>(body.size());
            put32(body, 0x04034b50);
            put16(body, entry.zip64Size ? 45 : 20);
            put16(body, entry.flag);
            put16(body, entry.method);
            put32(body, entry.dosDate);
            put32(body, crc);
            put32(body, compressed);
            put32(body, size);
            put16(body, static_cast<std::uint32_t>(entry.name.size()));
            put16(body, static_cast<std::uint32_t>(extra.size()));
            body += entry.name;
            body += extra;
            body += entry.data;
        }
        offsets.push_back(offset);

        put32(directory, 0x02014b50);
        put16(directory, entry.versionMadeBy);
        put16(directory, entry.zip64Size ? 45 : 20);
        put16(directory, entry.flag);
        put16(directory, entry.method);
        put32(directory, entry.dosDate);
        put32(directory, crc);
        put32(directory, compressed);
        put32(directory, size);
        put16(directory, static_cast<std::uint32_t>(entry.name.size()));
        put16(directory, static_cast<std::uint32_t>(extra.size()));
        put16(directory, 0);
        put16(directory, 0);
        put16(directory, 0);
        put32(directory, entry.externalFa);
        put32(directory, offset);
        directory += entry.name;
        directory += extra;
    }
    std::string archive = body + directory;
    put32(archive, 0x06054b50);
    put16(archive, 0);
    put16(archive, 0);
    put16(archive, static_cast<std::uint32_t>(entries.size()));
    put16(archive, static_cast<std::uint32_t>(entries.size()));
    put32(archive, static_cast<std::uint32_t>(directory.size()));
    put32(archive, static_cast<std::uint32_t>(body.size()));
    put16(archive, 0);
    return archive;
}

std::string deflated(const std::string& plain)
{
    z_stream stream {};
    if (deflateInit2(&stream, 9, Z_DEFLATED, -MAX_WBITS, 9, Z_DEFAULT_STRATEGY) != Z_OK)
        throw std::runtime_error("deflateInit2 failed");
    std::string out(deflateBound(&stream, static_cast<uLong>(plain.size())), '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(plain.data()));
    stream.avail_in = static_cast<uInt>(plain.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = static_cast<uInt>(out.size());
    int result = deflate(&stream, Z_FINISH);
    out.resize(stream.total_out);
    deflateEnd(&stream);
    if (result != Z_STREAM_END)
        throw std::runtime_error("deflate failed");
    return out;
}

std::string deflatedZeros(std::uint64_t mebibytes)
{
    // One MiB of zeros flushed to a byte boundary with a fresh dictionary, so that copies of it
    // follow one another as blocks of one stream; an empty final block ends it.
    z_stream stream {};
    if (deflateInit2(&stream, 9, Z_DEFLATED, -MAX_WBITS, 9, Z_DEFAULT_STRATEGY) != Z_OK)
        throw std::runtime_error("deflateInit2 failed");
    std::string zeros(1 << 20, '\0');
    std::string chunk(deflateBound(&stream, static_cast<uLong>(zeros.size())) + 16, '\0');
    stream.next_in = reinterpret_cast<Bytef*>(zeros.data());
    stream.avail_in = static_cast<uInt>(zeros.size());
    stream.next_out = reinterpret_cast<Bytef*>(chunk.data());
    stream.avail_out = static_cast<uInt>(chunk.size());
    const int result = deflate(&stream, Z_FULL_FLUSH);
    chunk.resize(stream.total_out);
    deflateEnd(&stream);
    if (result != Z_OK || stream.avail_in != 0)
        throw std::runtime_error("deflate failed");
    std::string out;
    out.reserve(chunk.size() * mebibytes + 2);
    for (std::uint64_t i = 0; i < mebibytes; ++i)
        out += chunk;
    out += std::string("\x03\x00", 2);
    return out;
}

RawEntry deflatedEntry(const std::string& name, const std::string& plain)
{
    RawEntry entry;
    entry.name = name;
    entry.data = deflated(plain);
    entry.method = 8;
    entry.uncompressedSize = static_cast<std::uint32_t>(plain.size());
    entry.crc = static_cast<std::uint32_t>(
        crc32(0, reinterpret_cast<const Bytef*>(plain.data()), static_cast<uInt>(plain.size())));
    return entry;
}

RawEntry fileEntry(const std::string& name, const std::string& data)
{
    RawEntry entry;
    entry.name = name;
    entry.data = data;
    return entry;
}

RawEntry symlinkEntry(const std::string& name, const std::string& target)
{
    RawEntry entry;
    entry.name = name;
    entry.data = target;
    entry.externalFa = 0120777u << 16;
    return entry;
}

RawEntry folderEntry(const std::string& name)
{
    RawEntry entry;
    entry.name = name;
    entry.externalFa = (040755u << 16) | 0x10;
    return entry;
}

} // namespace ziptest
