#pragma once

#include "Platform/Foundation/Error.h"
#include "Platform/Foundation/String.h"

#include <cstdint>
#include <functional>
#include <limits>
#include <string>
#include <string_view>

// Error domain and codes of the archive layer. Every error of the domain carries its message under
// NSLocalizedDescriptionKey.
inline constexpr std::string_view ZipArchiveErrorDomain = "ZipArchiveErrorDomain";

enum ZipArchiveErrorCode : long long {
    ZipArchiveErrorCodeFailedOpenZipFile = -1,
    ZipArchiveErrorCodeFailedOpenFileInZip = -2,
    ZipArchiveErrorCodeFileInfoNotLoadable = -3,
    ZipArchiveErrorCodeFileContentNotReadable = -4,
    ZipArchiveErrorCodeFailedToWriteFile = -5,
    ZipArchiveErrorCodeInvalidArguments = -6,
    // An entry whose name or link target leads outside the destination, or that would be written
    // through a symbolic link. The whole run fails: a partial unpack is safer than a silent gap.
    ZipArchiveErrorCodeUnsafeEntry = -7,
    // The archive is damaged in a way the zip library lets through: entries whose bytes overlap,
    // or an entry whose data is longer or shorter than the size its record declares.
    ZipArchiveErrorCodeDamagedArchive = -8,
    // Unpacking would write more than the run's output limit allows.
    ZipArchiveErrorCodeOutputLimitExceeded = -9,
};

// Which entries a caller uses: given an entry's relative path below the destination ("a/b.ttf",
// folders separated by "/"), true to unpack it.
using ZipEntryFilter = std::function<bool(const std::string& relativePath)>;

// What one unpacking call may write in all (entries of nested archives included): at most
// `maximumBytes`, and at most `maximumRatio` times the archive file's size (0: no ratio). The
// free space below the destination caps it further. The defaults leave the font and catalogue
// packages far below the cap while a few kilobytes can no longer fill a disk. A caller that reads
// an entry whole afterwards, or knows how large its kind of file can be, also caps each entry
// (`maximumEntryBytes`, none by default), as the whole run's cap is far more than it should take.
// A caller that uses only some entries names them (`entryFilter`, every entry by default): the
// others are skipped unread (folder entries too), count against no limit and are reported to no
// one. An entry whose name the run refuses (one leading outside) still fails the run.
struct ZipOutputLimit {
    static constexpr std::uint64_t kDefaultMaximumBytes = std::uint64_t { 4 } << 30;
    static constexpr std::uint64_t kDefaultMaximumRatio = 1000;
    // The most an archive may be that is brought over the network to be unpacked (a font or a
    // catalogue package): far above any real one, so only an endless or hostile body reaches it.
    static constexpr std::uint64_t kMaximumDownloadBytes = std::uint64_t { 1 } << 30;

    std::uint64_t maximumBytes = kDefaultMaximumBytes;
    std::uint64_t maximumRatio = kDefaultMaximumRatio;
    std::uint64_t maximumEntryBytes = std::numeric_limits<std::uint64_t>::max();
    ZipEntryFilter entryFilter = {};

    // The cap for an archive file of `archiveSize` bytes.
    constexpr std::uint64_t bytesFor(std::uint64_t archiveSize) const
    {
        if (maximumRatio == 0 || archiveSize > maximumBytes / maximumRatio)
            return maximumBytes;
        return archiveSize * maximumRatio;
    }
};

// What the central directory says about one entry. Fields are the raw values of the record.
struct ZipEntryInfo {
    std::uint16_t versionMadeBy = 0; // high byte: host system (0 MS-DOS, 3 Unix)
    std::uint16_t versionNeeded = 0;
    std::uint16_t flag = 0; // bit 0 encrypted, bit 11 (0x800) name in UTF-8
    std::uint16_t compressionMethod = 0;
    std::uint32_t dosDate = 0; // MS-DOS date in the high half, time in the low half
    std::uint32_t crc = 0;
    std::uint64_t compressedSize = 0;
    std::uint64_t uncompressedSize = 0;
    std::uint16_t sizeFilename = 0;
    std::uint16_t sizeFileExtra = 0;
    std::uint16_t sizeFileComment = 0;
    std::uint16_t internalFa = 0;
    std::uint32_t externalFa = 0; // for Unix hosts the upper 16 bits are the file mode
};

struct ZipGlobalInfo {
    std::uint64_t numberEntry = 0;
    std::uint16_t sizeComment = 0;
};

// Called after each unpacked entry: its relative name, its information, its index from 0 and the
// number of entries.
using ZipProgressHandler = std::function<void(
    const std::string& entry, const ZipEntryInfo& zipInfo, long entryNumber, long total)>;
// Called once at the end of a run: the archive path (nil when the archive was never opened),
// whether the run succeeded, and its error.
using ZipCompletionHandler = std::function<void(const foundation::Ref<foundation::String>& path,
    bool succeeded, const foundation::Ref<foundation::Error>& error)>;
// Called while creating from a folder: items done so far and the total number of items.
using ZipCreationProgressHandler = std::function<void(unsigned long entryNumber, unsigned long total)>;
