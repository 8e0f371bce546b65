#include "Lib/ZipArchive/UnzipRun.h"

#include "Lib/ZipArchive/DosDate.h"
#include "Lib/ZipArchive/EntryName.h"
#include "Lib/ZipArchive/EntryReader.h"
#include "Lib/ZipArchive/ExtractedFile.h"
#include "Lib/ZipArchive/SafePath.h"
#include "Lib/ZipArchive/ZipArchive.h"
#include "Lib/ZipArchive/ZipErrors.h"
#include "Lib/ZipArchive/ZipLog.h"
#include "Platform/Foundation/FileError.h"
#include "Platform/Foundation/Format.h"
#include "Platform/Foundation/FreeSpace.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <limits>
#include <sys/stat.h>
#include <unistd.h>
#include <zip.h>

using foundation::Error;
using foundation::Ref;
using zipentry::archiveError;
using zipentry::domainError;

namespace {

// Large enough that a big entry costs few system calls, small enough that memory stays flat.
constexpr std::size_t kBufferSize = 256 * 1024;
// A link target is a path; anything longer than this is not one.
constexpr std::size_t kMaxLinkTarget = 4096;

struct ArchiveDiscarder {
    void operator()(zip_t* archive) const { zip_discard(archive); }
};

std::string parentOf(const std::string& relative)
{
    std::size_t slash = relative.rfind('/');
    return slash == std::string::npos ? std::string() : relative.substr(0, slash);
}

bool pathExists(const std::string& path)
{
    struct stat status { };
    return ::lstat(path.c_str(), &status) == 0;
}

bool isFolderName(const std::string& rawName)
{
    return !rawName.empty() && (rawName.back() == '/' || rawName.back() == '\\');
}

// The process umask, read without changing it (setting it to learn it would race with threads
// making files meanwhile). Without /proc the usual 022 is assumed.
mode_t processUmask()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.starts_with("Umask:"))
            return static_cast<mode_t>(std::strtoul(line.c_str() + 6, nullptr, 8) & 0777);
    }
    return 022;
}

} // namespace

UnzipRun::UnzipRun(Options options)
    : options_(std::move(options))
    , destination_(options_.destination)
{
}

bool UnzipRun::finishEarly(Ref<Error> error, Ref<Error>* errorOut, bool opened)
{
    if (errorOut)
        *errorOut = error;
    if (options_.completionHandler && *options_.completionHandler)
        (*options_.completionHandler)(
            opened ? foundation::String::create(options_.path) : nullptr, false, error);
    return false;
}

bool UnzipRun::isWanted(const CentralDirectory::Entry& entry) const
{
    const ZipEntryFilter& filter = options_.outputLimit.entryFilter;
    if (!filter)
        return true;
    if (isFolderName(entry.rawName))
        return false;
    std::string name = zipentry::decodeName(entry.rawName, entry.info.versionMadeBy, entry.info.flag);
    std::replace(name.begin(), name.end(), '\\', '/');
    if (name.starts_with("__MACOSX/"))
        return false;
    // A name the run refuses fails the whole run, used or not, as an unsafe archive always does.
    const std::optional<std::string> relative = zipentry::safeRelativePath(name);
    if (zipentry::hasControlCharacter(name) || !relative || relative->empty())
        return true;
    return filter(*relative);
}

Ref<Error> UnzipRun::checkLayout(const CentralDirectory& directory)
{
    if (!directory.entriesAreDisjointInFile(options_.path))
        return archiveError(ZipArchiveErrorCodeDamagedArchive, "damaged zip file: entries overlap");
    std::uint64_t declared = 0;
    wanted_.clear();
    for (const auto& entry : directory.entries()) {
        wanted_.push_back(isWanted(entry));
        if (isFolderName(entry.rawName) || !wanted_.back())
            continue;
        if (entry.info.uncompressedSize > options_.outputLimit.maximumEntryBytes)
            return entryTooLarge(
                zipentry::decodeName(entry.rawName, entry.info.versionMadeBy, entry.info.flag));
        declared
            += std::min(entry.info.uncompressedSize, std::numeric_limits<std::uint64_t>::max() - declared);
    }
    outputCap_ = options_.outputLimit.bytesFor(fileSize_);
    if (declared > outputCap_)
        return archiveError(
            ZipArchiveErrorCodeOutputLimitExceeded, "zip file unpacks to more than the size limit");
    std::optional<std::uint64_t> space = foundation::freeBytesAt(options_.destination);
    // What the client can fetch again (cached images) makes way first.
    if (space && declared > *space
        && foundation::reclaimDiskRoom(options_.destination, declared - *space) > 0)
        space = foundation::freeBytesAt(options_.destination);
    if (space && declared > *space)
        return Error::errorWithDomain(foundation::NSPOSIXErrorDomain, ENOSPC, nullptr);
    return nullptr;
}

bool UnzipRun::run(Ref<Error>* errorOut)
{
    if (options_.path.empty() || options_.destination.empty())
        return finishEarly(archiveError(ZipArchiveErrorCodeInvalidArguments, "received invalid argument(s)"),
            errorOut, false);

    int openError = 0;
    std::unique_ptr<zip_t, ArchiveDiscarder> archive(zip_open(options_.path.c_str(), ZIP_RDONLY, &openError));
    std::optional<CentralDirectory> directory;
    if (archive)
        directory = CentralDirectory::loadFile(options_.path);
    if (!archive || !directory
        || static_cast<std::uint64_t>(zip_get_num_entries(archive.get(), 0)) != directory->entries().size())
        return finishEarly(
            archiveError(ZipArchiveErrorCodeFailedOpenZipFile, "failed to open zip file"), errorOut, false);

    struct stat status { };
    if (::stat(options_.path.c_str(), &status) == 0)
        fileSize_ = static_cast<unsigned long long>(status.st_size);
    if (Ref<Error> refusal = checkLayout(*directory)) {
        zipentry::log("[ZipArchive] " + refusal->localizedDescription());
        return finishEarly(refusal, errorOut, true);
    }
    umask_ = processUmask();
    globalInfo_.numberEntry = directory->entries().size();
    globalInfo_.sizeComment = directory->commentLength();

    if (auto d = delegate(); d && d->zipArchiveWillUnzipArchiveAtPath)
        d->zipArchiveWillUnzipArchiveAtPath(options_.path, globalInfo_);
    if (auto d = delegate(); d && d->zipArchiveProgressEvent)
        d->zipArchiveProgressEvent(0, fileSize_);

    buffer_.resize(kBufferSize);
    bool success = unpackEntries(archive.get(), *directory);
    archive.reset();

    if (options_.preserveAttributes && success)
        restoreFolderDates();
    if (success) {
        if (auto d = delegate(); d && d->zipArchiveDidUnzipArchiveAtPath)
            d->zipArchiveDidUnzipArchiveAtPath(options_.path, globalInfo_, options_.destination);
    }
    if (!cancelled_) {
        if (auto d = delegate(); d && d->zipArchiveProgressEvent)
            d->zipArchiveProgressEvent(fileSize_, fileSize_);
    }

    Ref<Error> error = error_;
    if (!error && checksumFailed_)
        error = archiveError(ZipArchiveErrorCodeFileInfoNotLoadable, "crc check failed for file");
    if (errorOut)
        *errorOut = error;
    if (options_.completionHandler && *options_.completionHandler)
        (*options_.completionHandler)(foundation::String::create(options_.path), success, error);
    return success;
}

bool UnzipRun::unpackEntries(zip_t* archive, const CentralDirectory& directory)
{
    const auto& entries = directory.entries();
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (!unpackEntry(archive, i, entries[i]))
            return false;
    }
    return true;
}

bool UnzipRun::unpackEntry(zip_t* archive, std::size_t index, const CentralDirectory::Entry& entry)
{
    const ZipEntryInfo& info = entry.info;
    if (index < wanted_.size() && !wanted_[index]) {
        ++index_;
        position_ += info.compressedSize;
        return true;
    }
    int zipError = 0;
    std::unique_ptr<EntryReader> file = EntryReader::open(archive, index, entry, options_.password, zipError);
    if (!file) {
        error_ = archiveError(ZipArchiveErrorCodeFailedOpenFileInZip, "failed to open file in zip file");
        return false;
    }

    ++index_;
    const long total = static_cast<long>(globalInfo_.numberEntry);
    if (auto d = delegate(); d && d->zipArchiveShouldUnzipFileAtIndex
        && !d->zipArchiveShouldUnzipFileAtIndex(index_, total, options_.path, info)) {
        cancelled_ = true;
        return false;
    }
    if (auto d = delegate(); d && d->zipArchiveWillUnzipFileAtIndex)
        d->zipArchiveWillUnzipFileAtIndex(index_, total, options_.path, info);
    position_ += info.compressedSize;
    if (auto d = delegate(); d && d->zipArchiveProgressEvent)
        d->zipArchiveProgressEvent(position_, fileSize_);

    const bool isLink = (info.versionMadeBy >> 8) == 3 && (info.externalFa >> 28) == 0xA;
    std::string name = zipentry::decodeName(entry.rawName, info.versionMadeBy, info.flag);
    if (name.starts_with("__MACOSX/"))
        return true;
    if (name.empty())
        name = std::to_string(index_);
    const bool isDirectory = isFolderName(entry.rawName);
    std::replace(name.begin(), name.end(), '\\', '/');

    if (zipentry::hasControlCharacter(name))
        return refuse(name, "with a control character in its name");
    std::optional<std::string> relative = zipentry::safeRelativePath(name);
    if (!relative || (relative->empty() && !isDirectory))
        return refuse(name);
    if (name.find("../") != std::string::npos)
        name = *relative + (isDirectory ? "/" : "");
    const std::string fullPath = destination_.fullPath(*relative);

    std::time_t date = 0;
    if (options_.preserveAttributes) {
        date = zipentry::timeFromDosDate(info.dosDate);
        if (isDirectory)
            folderDates_.emplace_back(fullPath, date);
    }

    int posixError = 0;
    std::string failedPath;
    switch (destination_.makeFolder(isDirectory ? *relative : parentOf(*relative), posixError, failedPath)) {
    case DestinationFolder::Result::Ok:
        break;
    case DestinationFolder::Result::Unsafe:
        return refuse(name);
    case DestinationFolder::Result::Failed:
        error_ = foundation::fileWriteError(failedPath, posixError);
        return false;
    }

    if (!isDirectory && !options_.overwrite && pathExists(fullPath))
        return true;
    if (isLink) {
        if (!writeLink(*file, fullPath, *relative))
            return false;
    } else if (!isDirectory) {
        if (!writeFile(*file, fullPath, info, date))
            return false;
    }

    if (!file->close()) {
        checksumFailed_ = true;
        return false;
    }
    if (auto d = delegate()) {
        if (d->zipArchiveDidUnzipFileAtIndex)
            d->zipArchiveDidUnzipFileAtIndex(index_, total, options_.path, info);
        else if (d->zipArchiveDidUnzipFileAtIndexUnzippedFilePath)
            d->zipArchiveDidUnzipFileAtIndexUnzippedFilePath(index_, total, options_.path, fullPath);
    }
    if (options_.progressHandler && *options_.progressHandler)
        (*options_.progressHandler)(name, info, index_, total);
    return true;
}

bool UnzipRun::writeFile(
    EntryReader& file, const std::string& fullPath, const ZipEntryInfo& info, std::time_t date)
{
    int posixError = 0;
    std::unique_ptr<ExtractedFile> output = ExtractedFile::create(fullPath, posixError);
    if (!output) {
        error_ = posixError == ENOSPC
            ? Error::errorWithDomain(foundation::NSPOSIXErrorDomain, ENOSPC, nullptr)
            : foundation::fileWriteError(fullPath, posixError);
        return false;
    }
    std::uint64_t entryBytes = 0;
    for (;;) {
        std::int64_t count = file.read(buffer_.data(), buffer_.size());
        if (count < 0) {
            noteReadFailure(file);
            return false;
        }
        if (count == 0)
            break;
        // The declared size was held to the limit of one entry before the run began; this holds
        // the bytes themselves to it. The unfinished file goes with `output`.
        entryBytes += static_cast<std::uint64_t>(count);
        if (entryBytes > options_.outputLimit.maximumEntryBytes) {
            error_ = entryTooLarge(fullPath);
            zipentry::log("[ZipArchive] " + error_->localizedDescription());
            return false;
        }
        if (!addWritten(static_cast<std::uint64_t>(count)))
            return false;
        if (!output->write(buffer_.data(), static_cast<std::size_t>(count), posixError)) {
            zipentry::log("[ZipArchive] Failed to write file (check your free space)");
            error_ = archiveError(
                ZipArchiveErrorCodeFailedToWriteFile, "Failed to write file (check your free space)");
            return false;
        }
    }
    if (options_.preserveAttributes && info.dosDate != 0 && !output->setModificationDate(date))
        zipentry::log("[ZipArchive] Failed to set attributes - whilst setting modification date");
    // Only the permission bits: an archive never makes setuid, setgid or sticky files, nor files
    // that other users could replace.
    mode_t mode
        = options_.preserveAttributes ? static_cast<mode_t>(((info.externalFa >> 16) & 0777) | 0600) : 0666;
    if (!output->setPermissions(mode & ~(umask_ | 022)))
        zipentry::log("[ZipArchive] Failed to set attributes - whilst setting permissions");
    if (!output->commit(posixError)) {
        error_ = foundation::fileWriteError(fullPath, posixError);
        return false;
    }
    if (options_.nestedZipLevel > 0) {
        std::string extension = std::filesystem::path(fullPath).extension().string();
        std::transform(extension.begin(), extension.end(), extension.begin(),
            [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        if (extension == ".zip")
            return unpackNested(fullPath);
    }
    return true;
}

bool UnzipRun::unpackNested(const std::string& fullPath)
{
    std::string folder = std::filesystem::path(fullPath).replace_extension().string();
    struct stat status { };
    if (::lstat(folder.c_str(), &status) == 0 && S_ISLNK(status.st_mode))
        return refuse(folder);
    // The inner archive spends what is left of this run's output limit.
    Options inner;
    inner.path = fullPath;
    inner.destination = folder;
    inner.preserveAttributes = options_.preserveAttributes;
    inner.overwrite = options_.overwrite;
    inner.nestedZipLevel = options_.nestedZipLevel - 1;
    inner.password = options_.password;
    inner.outputLimit = { outputCap_ - written_, options_.outputLimit.maximumRatio,
        options_.outputLimit.maximumEntryBytes };
    UnzipRun nested(std::move(inner));
    bool unpacked = nested.run(nullptr);
    written_ += nested.written();
    if (unpacked) {
        if (!folderDates_.empty())
            folderDates_.pop_back();
        ::unlink(fullPath.c_str());
    }
    return true;
}

bool UnzipRun::writeLink(EntryReader& file, const std::string& fullPath, const std::string& relative)
{
    std::string target;
    for (;;) {
        std::int64_t count = file.read(buffer_.data(), buffer_.size());
        if (count < 0) {
            noteReadFailure(file);
            return false;
        }
        if (count == 0)
            break;
        if (!addWritten(static_cast<std::uint64_t>(count)))
            return false;
        target.append(buffer_.data(), static_cast<std::size_t>(count));
        if (target.size() > kMaxLinkTarget)
            return refuse(relative);
    }
    if (!zipentry::isSafeLinkTarget(relative, target))
        return refuse(relative);

    if (options_.overwrite && pathExists(fullPath)) {
        std::error_code removal;
        std::filesystem::remove_all(fullPath, removal);
        destination_.forget();
        if (removal) {
            zipentry::log("[ZipArchive] " + removal.message());
            error_ = archiveError(removal.value(),
                foundation::format("Failed to delete existing symbolic link at \"%@\"", fullPath));
            return false;
        }
    }
    int made = ::symlink(target.c_str(), fullPath.c_str());
    destination_.forget();
    if (made != 0) {
        int code = errno;
        std::string message = foundation::format(
            "Failed to create symbolic link at \"%@\" to \"%@\" - symlink() error code: %d", fullPath, target,
            code);
        zipentry::log("[ZipArchive] " + message);
        error_ = domainError(foundation::NSPOSIXErrorDomain, -1, message);
        return false;
    }
    return true;
}

void UnzipRun::noteReadFailure(const EntryReader& reader)
{
    if (reader.checksumFailed())
        checksumFailed_ = true;
    if (reader.sizeMismatch()) {
        constexpr std::string_view message = "size of file in zip file differs from its declared size";
        zipentry::log("[ZipArchive] " + std::string(message));
        error_ = archiveError(ZipArchiveErrorCodeDamagedArchive, message);
    }
}

bool UnzipRun::addWritten(std::uint64_t count)
{
    // Entries are held to their declared sizes, whose sum the cap was checked against; this
    // guards what the declared sizes do not cover.
    if (count > outputCap_ - written_) {
        error_ = archiveError(
            ZipArchiveErrorCodeOutputLimitExceeded, "zip file unpacks to more than the size limit");
        return false;
    }
    written_ += count;
    return true;
}

Ref<Error> UnzipRun::entryTooLarge(const std::string& name)
{
    return archiveError(ZipArchiveErrorCodeOutputLimitExceeded,
        foundation::format("\"%@\" in the zip file unpacks to more than the size limit of one entry",
            zipentry::escapedControlCharacters(name)));
}

bool UnzipRun::refuse(const std::string& name, std::string_view reason)
{
    std::string message = foundation::format(
        "refused to unpack \"%@\" %@", zipentry::escapedControlCharacters(name), std::string(reason));
    zipentry::log("[ZipArchive] " + message);
    error_ = archiveError(ZipArchiveErrorCodeUnsafeEntry, message);
    return false;
}

void UnzipRun::restoreFolderDates()
{
    for (const auto& [path, date] : folderDates_) {
        struct timespec times[2];
        times[0].tv_sec = 0;
        times[0].tv_nsec = UTIME_OMIT;
        times[1].tv_sec = date;
        times[1].tv_nsec = 0;
        if (::utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW) != 0) {
            zipentry::log(foundation::format("[ZipArchive] Set attributes failed for directory: %@.", path));
            zipentry::log(foundation::format(
                "[ZipArchive] Error setting directory file modification date attribute: %@",
                std::strerror(errno)));
        }
    }
}
