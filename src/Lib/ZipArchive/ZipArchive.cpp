// The creating side of ZipArchive: the instance that writes one archive and the class methods
// that drive it.
#include "Lib/ZipArchive/ZipArchive.h"

#include "Lib/ZipArchive/DosDate.h"
#include "Lib/ZipArchive/EntrySource.h"
#include "Lib/ZipArchive/ZipLog.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>
#include <zip.h>

namespace {

// zlib's own default; the library would otherwise pick its slowest level.
constexpr int kDefaultLevel = 6;
constexpr std::uint32_t kMSDOSDirectoryBit = 0x10;

// An archive without entries: just the end of central directory record.
constexpr unsigned char kEmptyArchive[22] = {0x50, 0x4b, 0x05, 0x06};

// The deflate level of a requested compression level other than 0 (which stores).
int deflateLevel(int compressionLevel)
{
    return compressionLevel >= 1 && compressionLevel <= 9 ? compressionLevel : kDefaultLevel;
}

std::string lastPathComponent(const std::string& path)
{
    std::string trimmed = path;
    while (trimmed.size() > 1 && trimmed.ends_with('/'))
        trimmed.pop_back();
    std::size_t slash = trimmed.rfind('/');
    return slash == std::string::npos ? trimmed : trimmed.substr(slash + 1);
}

bool writeEmptyArchive(const std::string& path)
{
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0)
        return false;
    bool written = ::write(fd, kEmptyArchive, sizeof kEmptyArchive) == static_cast<ssize_t>(sizeof kEmptyArchive);
    return (::close(fd) == 0) && written;
}

} // namespace

ZipArchive::ZipArchive(const std::string& initWithPath)
    : _path(initWithPath)
{
}

ZipArchive::~ZipArchive()
{
    if (_zip)
        zip_discard(_zip);
}

bool ZipArchive::open()
{
    if (_zip)
        return true;
    // Make the file now, so that a path that cannot be written fails here and not at close.
    int fd = ::open(_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0)
        return false;
    ::close(fd);
    _zip = zip_open(_path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, nullptr);
    return _zip != nullptr;
}

void ZipArchive::zipInfo(ZipNewEntryInfo& info, const std::string& setAttributesOfItemAtPath)
{
    struct stat status {};
    if (::stat(setAttributesOfItemAtPath.c_str(), &status) != 0)
        return;
    info.dosDate = zipentry::dosDateFromTime(status.st_mtime);
    std::uint32_t permissions = status.st_mode & 07777;
    if (S_ISDIR(status.st_mode))
        info.externalFa = ((permissions | S_IFDIR) << 16) | kMSDOSDirectoryBit;
    else
        info.externalFa = (permissions | S_IFREG) << 16;
}

void ZipArchive::zipInfo(ZipNewEntryInfo& info, const foundation::Date& setDate)
{
    info.dosDate = zipentry::dosDateFromTime(static_cast<std::time_t>(setDate.timeIntervalSince1970()));
}

bool ZipArchive::addEntry(const std::string& name, zip_source_t* source, const ZipNewEntryInfo& info,
                          int compressionLevel, const std::string& password, bool AES)
{
    if (!source)
        return false;
    zip_int64_t index = zip_file_add(_zip, name.c_str(), source, ZIP_FL_ENC_GUESS);
    if (index < 0) {
        zip_source_free(source);
        return false;
    }
    auto entry = static_cast<zip_uint64_t>(index);
    bool configured = true;
    if (compressionLevel == 0)
        configured = zip_set_file_compression(_zip, entry, ZIP_CM_STORE, 0) == 0;
    else {
            auto level = static_cast<zip_uint32_t>(deflateLevel(compressionLevel));
        configured = zip_set_file_compression(_zip, entry, ZIP_CM_DEFLATE, level) == 0;
    }
    if (configured && !password.empty())
        configured = zip_file_set_encryption(_zip, entry, AES ? ZIP_EM_AES_256 : ZIP_EM_TRAD_PKWARE,
                                             password.c_str())
            == 0;
    configured = configured && zip_file_set_mtime(_zip, entry, zipentry::timeFromDosDate(info.dosDate), 0) == 0
        && zip_file_set_external_attributes(_zip, entry, 0, ZIP_OPSYS_UNIX, info.externalFa) == 0;
    if (!configured)
        zip_delete(_zip, entry);
    return configured;
}

bool ZipArchive::writeFolderAtPath(const std::string& path, const std::string& withFolderName,
                                   const std::string& /*withPassword: a folder entry holds no data to encrypt*/)
{
    if (!_zip)
        return false;
    ZipNewEntryInfo info;
    info.dosDate = zipentry::dosDateFromTime(std::time(nullptr));
    info.externalFa = ((0755u | S_IFDIR) << 16) | kMSDOSDirectoryBit;
    zipInfo(info, path);
    std::string name = withFolderName.ends_with('/') ? withFolderName : withFolderName + "/";
    zip_int64_t index = zip_dir_add(_zip, name.c_str(), ZIP_FL_ENC_GUESS);
    if (index < 0)
        return false;
    auto entry = static_cast<zip_uint64_t>(index);
    bool configured = zip_file_set_mtime(_zip, entry, zipentry::timeFromDosDate(info.dosDate), 0) == 0
        && zip_file_set_external_attributes(_zip, entry, 0, ZIP_OPSYS_UNIX, info.externalFa) == 0;
    if (!configured)
        zip_delete(_zip, entry);
    return configured;
}

bool ZipArchive::writeFile(const std::string& path, const std::string& withPassword)
{
    return writeFileAtPath(path, std::string(), withPassword);
}

bool ZipArchive::writeFileAtPath(const std::string& path, const std::string& withFileName,
                                 const std::string& withPassword)
{
    return writeFileAtPath(path, withFileName, -1, withPassword, true);
}

bool ZipArchive::writeFileAtPath(const std::string& path, const std::string& withFileName, int compressionLevel,
                                 const std::string& password, bool AES)
{
    if (!_zip)
        return false;
    // The file must be readable now; its bytes are read when the archive is written.
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat status {};
    bool regular = ::fstat(fd, &status) == 0 && S_ISREG(status.st_mode);
    ::close(fd);
    if (!regular)
        return false;
    std::string name = withFileName.empty() ? lastPathComponent(path) : withFileName;
    ZipNewEntryInfo info;
    zipInfo(info, path);
    zip_source_t* source = EntrySource::fromFile(_zip, path, static_cast<std::uint64_t>(status.st_size),
                                                 zipentry::timeFromDosDate(info.dosDate),
                                                 compressionLevel == 0 ? 0 : deflateLevel(compressionLevel));
    return addEntry(name, source, info, compressionLevel, password, AES);
}

bool ZipArchive::writeData(const foundation::Ref<foundation::Data>& data, const std::string& filename,
                           const std::string& withPassword)
{
    return writeData(data, filename, -1, withPassword, true);
}

bool ZipArchive::writeData(const foundation::Ref<foundation::Data>& data, const std::string& filename,
                           int compressionLevel, const std::string& password, bool AES)
{
    if (!data || !_zip)
        return false;
    ZipNewEntryInfo info;
    zipInfo(info, *foundation::Date::date());
    info.externalFa = (0644u | S_IFREG) << 16;
    // The library reads the bytes at close; its own copy keeps later changes to `data` out.
    zip_source_t* source = EntrySource::fromBytes(_zip, data->vector(), zipentry::timeFromDosDate(info.dosDate));
    return addEntry(filename, source, info, compressionLevel, password, AES);
}

bool ZipArchive::close()
{
    if (!_zip)
        return false;
    zip_t* archive = _zip;
    _zip = nullptr;
    if (zip_get_num_entries(archive, 0) == 0) {
        // The library would remove the file; an archive without entries is still an archive.
        zip_discard(archive);
        return writeEmptyArchive(_path);
    }
    if (zip_close(archive) == 0)
        return true;
    zipentry::log(std::string("[ZipArchive] Failed to write the archive: ") + zip_strerror(archive));
    zip_discard(archive);
    ::unlink(_path.c_str());
    return false;
}

bool ZipArchive::createZipFileAtPath(const std::string& path, const std::vector<std::string>& withFilesAtPaths)
{
    return createZipFileAtPath(path, withFilesAtPaths, std::string());
}

bool ZipArchive::createZipFileAtPath(const std::string& path, const std::vector<std::string>& withFilesAtPaths,
                                     const std::string& withPassword)
{
    ZipArchive archive(path);
    if (!archive.open())
        return false;
    bool success = true;
    for (const std::string& file : withFilesAtPaths)
        success = archive.writeFile(file, withPassword) && success;
    return archive.close() && success;
}

bool ZipArchive::createZipFileAtPath(const std::string& path, const std::string& withContentsOfDirectory)
{
    return createZipFileAtPath(path, withContentsOfDirectory, std::string());
}

bool ZipArchive::createZipFileAtPath(const std::string& path, const std::string& withContentsOfDirectory,
                                     bool keepParentDirectory)
{
    return createZipFileAtPath(path, withContentsOfDirectory, keepParentDirectory, std::string());
}

bool ZipArchive::createZipFileAtPath(const std::string& path, const std::string& withContentsOfDirectory,
                                     const std::string& withPassword)
{
    return createZipFileAtPath(path, withContentsOfDirectory, false, withPassword);
}

bool ZipArchive::createZipFileAtPath(const std::string& path, const std::string& withContentsOfDirectory,
                                     bool keepParentDirectory, const std::string& withPassword)
{
    return createZipFileAtPath(path, withContentsOfDirectory, keepParentDirectory, withPassword,
                               ZipCreationProgressHandler());
}

bool ZipArchive::createZipFileAtPath(const std::string& path, const std::string& withContentsOfDirectory,
                                     bool keepParentDirectory, const std::string& withPassword,
                                     const ZipCreationProgressHandler& andProgressHandler)
{
    return createZipFileAtPath(path, withContentsOfDirectory, keepParentDirectory, -1, withPassword, true,
                               andProgressHandler);
}

bool ZipArchive::createZipFileAtPath(const std::string& path, const std::string& withContentsOfDirectory,
                                     bool keepParentDirectory, int compressionLevel, const std::string& password,
                                     bool AES, const ZipCreationProgressHandler& progressHandler)
{
    namespace fs = std::filesystem;
    ZipArchive archive(path);
    if (!archive.open())
        return false;
    bool success = true;
    std::vector<std::string> items;
    std::error_code error;
    fs::recursive_directory_iterator walker(withContentsOfDirectory, error);
    for (; !error && walker != fs::recursive_directory_iterator(); walker.increment(error)) {
        // An archive written into the folder it archives does not go into itself.
        std::error_code ignored;
        if (fs::equivalent(walker->path(), path, ignored))
            continue;
        items.push_back(walker->path().lexically_relative(withContentsOfDirectory).generic_string());
    }
    if (error)
        success = false; // a folder that cannot be listed is not archived in part silently
    std::sort(items.begin(), items.end());

    const std::string prefix = keepParentDirectory ? lastPathComponent(withContentsOfDirectory) + "/" : std::string();
    const unsigned long total = items.size();
    unsigned long done = 0;
    for (const std::string& relative : items) {
        std::string fullPath = (fs::path(withContentsOfDirectory) / relative).string();
        std::string name = prefix + relative;
        std::error_code itemError;
        if (fs::is_directory(fullPath, itemError)) {
            if (fs::is_empty(fullPath, itemError) && !itemError)
                success = archive.writeFolderAtPath(fullPath, name, password) && success;
            else if (itemError)
                success = false;
        } else {
            success = archive.writeFileAtPath(fullPath, name, compressionLevel, password, AES) && success;
        }
        ++done;
        if (progressHandler)
            progressHandler(done, total);
    }
    return archive.close() && success;
}
