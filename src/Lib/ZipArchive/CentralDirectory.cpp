#include "Lib/ZipArchive/CentralDirectory.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr std::uint32_t kEndSignature = 0x06054b50;
constexpr std::uint32_t kZip64LocatorSignature = 0x07064b50;
constexpr std::uint32_t kZip64EndSignature = 0x06064b50;
constexpr std::uint32_t kRecordSignature = 0x02014b50;
constexpr std::uint32_t kLocalSignature = 0x04034b50;
constexpr std::size_t kEndSize = 22;
constexpr std::size_t kRecordSize = 46;
constexpr std::size_t kLocalHeaderSize = 30;
constexpr std::size_t kMaxComment = 0xFFFF;

std::uint16_t le16(const std::uint8_t* p)
{
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

std::uint32_t le32(const std::uint8_t* p)
{
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8)
        | (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

std::uint64_t le64(const std::uint8_t* p)
{
    return static_cast<std::uint64_t>(le32(p)) | (static_cast<std::uint64_t>(le32(p + 4)) << 32);
}

struct EndRecord {
    std::uint64_t position = 0; // of the end record in the file
    std::uint64_t count = 0;
    std::uint64_t size = 0;
    std::uint64_t offset = 0;
    std::uint16_t commentLength = 0;
};

std::optional<EndRecord> findEndRecord(const CentralDirectory::ReadAt& readAt, std::uint64_t fileSize)
{
    if (fileSize < kEndSize)
        return std::nullopt;
    std::size_t tailLength = static_cast<std::size_t>(std::min<std::uint64_t>(fileSize, kEndSize + kMaxComment));
    std::uint64_t tailStart = fileSize - tailLength;
    std::vector<std::uint8_t> tail(tailLength);
    if (!readAt(tailStart, tailLength, tail.data()))
        return std::nullopt;
    // The last signature wins: a comment may itself contain the signature bytes.
    for (std::size_t i = tailLength - kEndSize + 1; i-- > 0;) {
        const std::uint8_t* p = tail.data() + i;
        if (le32(p) != kEndSignature)
            continue;
        EndRecord end;
        end.position = tailStart + i;
        end.count = le16(p + 10);
        end.size = le32(p + 12);
        end.offset = le32(p + 16);
        end.commentLength = le16(p + 20);
        return end;
    }
    return std::nullopt;
}

// Replaces the 32-bit values of the end record with those of the zip64 end record when a locator
// precedes it.
bool applyZip64(const CentralDirectory::ReadAt& readAt, EndRecord& end)
{
    if (end.position < 20)
        return true;
    std::uint8_t locator[20];
    if (!readAt(end.position - 20, sizeof locator, locator) || le32(locator) != kZip64LocatorSignature)
        return true;
    std::uint8_t record[56];
    if (!readAt(le64(locator + 8), sizeof record, record) || le32(record) != kZip64EndSignature)
        return false;
    end.count = le64(record + 32);
    end.size = le64(record + 40);
    end.offset = le64(record + 48);
    return true;
}

// Sizes and the offset stored as 0xFFFFFFFF live in the zip64 extra field, in a fixed order; AES entries
// name their version and real method in field 0x9901.
void applyExtra(CentralDirectory::Entry& entry, const std::uint8_t* extra, std::size_t length)
{
    ZipEntryInfo& info = entry.info;
    std::size_t pos = 0;
    while (pos + 4 <= length) {
        std::uint16_t id = le16(extra + pos);
        std::uint16_t size = le16(extra + pos + 2);
        pos += 4;
        if (pos + size > length)
            return;
        if (id == 0x9901 && size >= 7) {
            entry.aesVersion = le16(extra + pos);
            entry.aesMethod = le16(extra + pos + 5);
        }
        if (id == 0x0001) {
            std::size_t field = pos;
            std::size_t end = pos + size;
            if (info.uncompressedSize == 0xFFFFFFFF && field + 8 <= end) {
                info.uncompressedSize = le64(extra + field);
                field += 8;
            }
            if (info.compressedSize == 0xFFFFFFFF && field + 8 <= end) {
                info.compressedSize = le64(extra + field);
                field += 8;
            }
            if (entry.localHeaderOffset == 0xFFFFFFFF && field + 8 <= end)
                entry.localHeaderOffset = le64(extra + field);
        }
        pos += size;
    }
}

} // namespace

bool CentralDirectory::parseRecords(const std::vector<std::uint8_t>& bytes, std::uint64_t count)
{
    entries_.reserve(static_cast<std::size_t>(count));
    std::size_t pos = 0;
    for (std::uint64_t i = 0; i < count; ++i) {
        if (pos + kRecordSize > bytes.size() || le32(bytes.data() + pos) != kRecordSignature)
            return false;
        const std::uint8_t* p = bytes.data() + pos;
        Entry entry;
        ZipEntryInfo& info = entry.info;
        info.versionMadeBy = le16(p + 4);
        info.versionNeeded = le16(p + 6);
        info.flag = le16(p + 8);
        info.compressionMethod = le16(p + 10);
        info.dosDate = (static_cast<std::uint32_t>(le16(p + 14)) << 16) | le16(p + 12);
        info.crc = le32(p + 16);
        info.compressedSize = le32(p + 20);
        info.uncompressedSize = le32(p + 24);
        info.sizeFilename = le16(p + 28);
        info.sizeFileExtra = le16(p + 30);
        info.sizeFileComment = le16(p + 32);
        info.internalFa = le16(p + 36);
        info.externalFa = le32(p + 38);
        entry.localHeaderOffset = le32(p + 42);
        std::size_t variable = std::size_t{info.sizeFilename} + info.sizeFileExtra + info.sizeFileComment;
        if (pos + kRecordSize + variable > bytes.size())
            return false;
        entry.rawName.assign(reinterpret_cast<const char*>(p + kRecordSize), info.sizeFilename);
        applyExtra(entry, p + kRecordSize + info.sizeFilename, info.sizeFileExtra);
        entries_.push_back(std::move(entry));
        pos += kRecordSize + variable;
    }
    return true;
}

std::optional<CentralDirectory> CentralDirectory::load(const ReadAt& readAt, std::uint64_t fileSize)
{
    auto end = findEndRecord(readAt, fileSize);
    if (!end || !applyZip64(readAt, *end))
        return std::nullopt;
    // Every record takes at least 46 bytes, so a count the directory cannot hold is a lie.
    if (end->size > fileSize || end->count > end->size / kRecordSize)
        return std::nullopt;
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(end->size));
    std::uint64_t offset = end->offset;
    std::uint8_t signature[4];
    // Data in front of the archive (a self-extracting stub) shifts every stored offset.
    if (end->count > 0 && (!readAt(offset, 4, signature) || le32(signature) != kRecordSignature)
        && end->position >= end->size)
        offset = end->position - end->size;
    if (!bytes.empty() && !readAt(offset, bytes.size(), bytes.data()))
        return std::nullopt;
    CentralDirectory directory;
    directory.commentLength_ = end->commentLength;
    directory.directoryStart_ = offset;
    directory.statedStart_ = end->offset;
    if (!directory.parseRecords(bytes, end->count))
        return std::nullopt;
    return directory;
}

bool CentralDirectory::entriesAreDisjoint(const ReadAt& readAt) const
{
    struct Span {
        std::uint64_t start;
        std::uint64_t end;
    };
    std::vector<Span> spans;
    spans.reserve(entries_.size());
    for (const Entry& entry : entries_) {
        // A local header comes before the directory, wherever the archive begins.
        if (entry.localHeaderOffset > statedStart_ || statedStart_ - entry.localHeaderOffset > directoryStart_)
            return false;
        std::uint64_t start = directoryStart_ - (statedStart_ - entry.localHeaderOffset);
        std::uint8_t header[kLocalHeaderSize];
        if (!readAt(start, sizeof header, header) || le32(header) != kLocalSignature)
            return false;
        // The data begins after the local header's own name and extra field, which may differ
        // from the directory record's.
        std::uint64_t dataStart = start + kLocalHeaderSize + le16(header + 26) + le16(header + 28);
        if (entry.info.compressedSize > directoryStart_)
            return false;
        spans.push_back({start, dataStart + entry.info.compressedSize});
    }
    std::sort(spans.begin(), spans.end(), [](const Span& a, const Span& b) { return a.start < b.start; });
    std::uint64_t previousEnd = 0;
    for (const Span& span : spans) {
        if (span.start < previousEnd || span.end > directoryStart_)
            return false;
        previousEnd = span.end;
    }
    return true;
}

namespace {

// Calls `body` with a reader over the file at `path`; false when the file cannot be opened.
bool withFileReader(const std::string& path,
                    const std::function<void(const CentralDirectory::ReadAt&, std::uint64_t fileSize)>& body)
{
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat status {};
    bool opened = ::fstat(fd, &status) == 0;
    if (opened) {
        CentralDirectory::ReadAt readAt = [fd](std::uint64_t offset, std::size_t length, std::uint8_t* out) {
            std::size_t done = 0;
            while (done < length) {
                ssize_t n = ::pread(fd, out + done, length - done, static_cast<off_t>(offset + done));
                if (n < 0 && errno == EINTR)
                    continue;
                if (n <= 0)
                    return false;
                done += static_cast<std::size_t>(n);
            }
            return true;
        };
        body(readAt, static_cast<std::uint64_t>(status.st_size));
    }
    ::close(fd);
    return opened;
}

} // namespace

std::optional<CentralDirectory> CentralDirectory::loadFile(const std::string& path)
{
    std::optional<CentralDirectory> result;
    withFileReader(path, [&](const ReadAt& readAt, std::uint64_t fileSize) { result = load(readAt, fileSize); });
    return result;
}

bool CentralDirectory::entriesAreDisjointInFile(const std::string& path) const
{
    bool disjoint = false;
    withFileReader(path, [&](const ReadAt& readAt, std::uint64_t) { disjoint = entriesAreDisjoint(readAt); });
    return disjoint;
}
