// The unpacking side of ZipArchive: the entry points, the encryption probes and the helpers.
#include "Lib/ZipArchive/ZipArchive.h"

#include "Lib/ZipArchive/CentralDirectory.h"
#include "Lib/ZipArchive/DosDate.h"
#include "Lib/ZipArchive/EntryName.h"
#include "Lib/ZipArchive/UnzipRun.h"
#include "Lib/ZipArchive/ZipErrors.h"

#include "Platform/Foundation/Misuse.h"

#include <algorithm>
#include <memory>
#include <new>
#include <zip.h>

using foundation::Ref;
using zipentry::archiveError;

namespace {

constexpr std::uint16_t kEncryptedFlag = 0x1;

struct ArchiveCloser {
    void operator()(zip_t* archive) const { zip_discard(archive); }
};
using ArchiveHandle = std::unique_ptr<zip_t, ArchiveCloser>;

struct FileCloser {
    void operator()(zip_file_t* file) const { zip_fclose(file); }
};
using FileHandle = std::unique_ptr<zip_file_t, FileCloser>;

// Codes by which the library says the password does not fit; the answer is then a plain NO.
bool isPasswordMismatch(int code)
{
    return code == ZIP_ER_NOPASSWD || code == ZIP_ER_WRONGPASSWD;
}

// Codes of garbled data, which is what a wrong password produces for the older encryption.
bool isDataError(int code)
{
    return code == ZIP_ER_ZLIB || code == ZIP_ER_CRC || code == ZIP_ER_COMPRESSED_DATA || code == ZIP_ER_INCONS
        || code == ZIP_ER_WRONGPASSWD;
}

} // namespace

bool ZipArchive::unzipFileAtPath(const std::string& path, const std::string& destination)
{
    return unzipFileAtPath(path, destination, true, true, 0, std::string(), nullptr, {}, {}, {});
}

bool ZipArchive::unzipFileAtPath(const std::string& path, const std::string& destination, bool overwrite,
                                 const std::string& password, ErrorOut error)
{
    return unzipFileAtPath(path, destination, true, overwrite, 0, password, error, {}, {}, {});
}

bool ZipArchive::unzipFileAtPath(const std::string& path, const std::string& destination, DelegateRef delegate)
{
    return unzipFileAtPath(path, destination, true, true, 0, std::string(), nullptr, std::move(delegate), {}, {});
}

bool ZipArchive::unzipFileAtPath(const std::string& path, const std::string& destination, bool overwrite,
                                 const std::string& password, ErrorOut error, DelegateRef delegate)
{
    return unzipFileAtPath(path, destination, true, overwrite, 0, password, error, std::move(delegate), {}, {});
}

bool ZipArchive::unzipFileAtPath(const std::string& path, const std::string& destination, bool overwrite,
                                 const std::string& password, const ZipProgressHandler& progressHandler,
                                 const ZipCompletionHandler& completionHandler)
{
    return unzipFileAtPath(path, destination, true, overwrite, 0, password, nullptr, {}, progressHandler,
                           completionHandler);
}

bool ZipArchive::unzipFileAtPath(const std::string& path, const std::string& destination,
                                 const ZipProgressHandler& progressHandler,
                                 const ZipCompletionHandler& completionHandler)
{
    return unzipFileAtPath(path, destination, true, true, 0, std::string(), nullptr, {}, progressHandler,
                           completionHandler);
}

bool ZipArchive::unzipFileAtPath(const std::string& path, const std::string& destination, bool preserveAttributes,
                                 bool overwrite, const std::string& password, ErrorOut error, DelegateRef delegate)
{
    return unzipFileAtPath(path, destination, preserveAttributes, overwrite, 0, password, error, std::move(delegate),
                           {}, {});
}

bool ZipArchive::unzipFileAtPath(const std::string& path, const std::string& destination, bool preserveAttributes,
                                 bool overwrite, const std::string& password, ErrorOut error, DelegateRef delegate,
                                 const ZipProgressHandler& progressHandler,
                                 const ZipCompletionHandler& completionHandler)
{
    return unzipFileAtPath(path, destination, preserveAttributes, overwrite, 0, password, error, std::move(delegate),
                           progressHandler, completionHandler);
}

bool ZipArchive::unzipFileAtPath(const std::string& path, const std::string& destination, bool preserveAttributes,
                                 bool overwrite, int nestedZipLevel, const std::string& password, ErrorOut error,
                                 DelegateRef delegate, const ZipProgressHandler& progressHandler,
                                 const ZipCompletionHandler& completionHandler)
{
    UnzipRun::Options options;
    options.path = path;
    options.destination = destination;
    options.preserveAttributes = preserveAttributes;
    options.overwrite = overwrite;
    options.nestedZipLevel = nestedZipLevel;
    options.password = password;
    options.delegate = std::move(delegate);
    options.progressHandler = &progressHandler;
    options.completionHandler = &completionHandler;
    return UnzipRun(std::move(options)).run(error);
}

bool ZipArchive::isFilePasswordProtectedAtPath(const std::string& path)
{
    ArchiveHandle archive(zip_open(path.c_str(), ZIP_RDONLY, nullptr));
    if (!archive)
        return false;
    std::optional<CentralDirectory> directory = CentralDirectory::loadFile(path);
    if (!directory)
        return false;
    const auto& entries = directory->entries();
    zip_int64_t count = std::min<zip_int64_t>(zip_get_num_entries(archive.get(), 0),
                                              static_cast<zip_int64_t>(entries.size()));
    for (zip_int64_t i = 0; i < count; ++i) {
        FileHandle file(zip_fopen_index(archive.get(), static_cast<zip_uint64_t>(i), 0));
        if (!file)
            return isPasswordMismatch(zip_error_code_zip(zip_get_error(archive.get())));
        if (entries[static_cast<std::size_t>(i)].info.flag & kEncryptedFlag)
            return true;
    }
    return false;
}

bool ZipArchive::isPasswordValidForArchiveAtPath(const std::string& path, const std::string& password,
                                                 ErrorOut error)
{
    if (error)
        *error = nullptr;
    ArchiveHandle archive(zip_open(path.c_str(), ZIP_RDONLY, nullptr));
    std::optional<CentralDirectory> directory;
    if (archive)
        directory = CentralDirectory::loadFile(path);
    if (!archive || !directory) {
        if (error)
            *error = archiveError(ZipArchiveErrorCodeFailedOpenZipFile, "failed to open zip file");
        return false;
    }
    const auto& entries = directory->entries();
    zip_int64_t count = std::min<zip_int64_t>(zip_get_num_entries(archive.get(), 0),
                                              static_cast<zip_int64_t>(entries.size()));
    for (zip_int64_t i = 0; i < count; ++i) {
        auto index = static_cast<zip_uint64_t>(i);
        FileHandle file(password.empty() ? zip_fopen_index(archive.get(), index, 0)
                                         : zip_fopen_index_encrypted(archive.get(), index, 0, password.c_str()));
        if (!file) {
            if (error && !isPasswordMismatch(zip_error_code_zip(zip_get_error(archive.get()))))
                *error = archiveError(ZipArchiveErrorCodeFailedOpenFileInZip, "failed to open first file in zip file");
            return false;
        }
        const ZipEntryInfo& info = entries[static_cast<std::size_t>(i)].info;
        if (!(info.flag & kEncryptedFlag))
            continue;
        char probe[10];
        zip_int64_t read = zip_fread(file.get(), probe, std::min<std::uint64_t>(sizeof probe, info.uncompressedSize));
        if (read >= 0)
            return true;
        int code = zip_error_code_zip(zip_file_get_error(file.get()));
        if (error && !isDataError(code))
            *error = archiveError(ZipArchiveErrorCodeFileContentNotReadable, "failed to read contents of file entry");
        return false;
    }
    return true;
}

Ref<foundation::String> ZipArchive::_filenameStringWithCString(const char* filename, std::uint16_t version_made_by,
                                                               std::uint16_t general_purpose_flag, std::size_t size)
{
    std::string_view raw = filename ? std::string_view(filename, size) : std::string_view();
    return foundation::String::create(zipentry::decodeName(raw, version_made_by, general_purpose_flag));
}

Ref<foundation::Date> ZipArchive::_dateWithMSDOSFormat(std::uint32_t msdosDateTime)
{
    return foundation::Date::dateWithTimeIntervalSince1970(
        static_cast<double>(zipentry::timeFromDosDate(msdosDateTime)));
}

namespace zipdata {

std::string _hexString(const foundation::Data& data)
{
    try {
        return zipentry::hexString(data.view());
    } catch (const std::bad_alloc&) {
        foundation::misuse(foundation::NSInternalInconsistencyException, "failed malloc");
        return std::string();
    }
}

std::string _base64RFC4648(const foundation::Data& data)
{
    std::string text = data.base64EncodedString();
    std::replace(text.begin(), text.end(), '+', '-');
    std::replace(text.begin(), text.end(), '/', '_');
    return text;
}

} // namespace zipdata
