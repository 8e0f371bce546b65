// The unpacking side of ZipArchive: the entry points, the encryption probes and the helpers.
#include "Lib/ZipArchive/ZipArchive.h"

#include "Lib/ZipArchive/CentralDirectory.h"
#include "Lib/ZipArchive/DosDate.h"
#include "Lib/ZipArchive/EntryName.h"
#include "Lib/ZipArchive/EntryReader.h"
#include "Lib/ZipArchive/UnzipRun.h"
#include "Lib/ZipArchive/ZipErrors.h"

#include "Platform/Foundation/Misuse.h"

#include <algorithm>
#include <memory>
#include <new>
#include <vector>
#include <zip.h>

using foundation::Ref;
using zipentry::archiveError;

namespace {

constexpr std::uint16_t kEncryptedFlag = 0x1;
constexpr std::size_t kProbeBufferSize = 64 * 1024;

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

// Codes of data that does not check out, which is what a wrong password produces once it has got
// past the check at the start of an entry.
bool isDataError(int code)
{
    return code == ZIP_ER_ZLIB || code == ZIP_ER_CRC || code == ZIP_ER_COMPRESSED_DATA || code == ZIP_ER_INCONS
        || code == ZIP_ER_WRONGPASSWD;
}

// Reads an encrypted entry to its end and throws the bytes away. The check at the start of an
// entry lets a wrong password through now and then (1 in 256 for the traditional encryption, 1 in
// 65,536 for AES); only the checksum or the authentication code at the end tells for certain.
bool readsToItsEnd(EntryReader& reader, ZipArchive::ErrorOut error)
{
    std::vector<char> sink(kProbeBufferSize);
    for (;;) {
        std::int64_t count = reader.read(sink.data(), sink.size());
        if (count == 0)
            return reader.close();
        if (count < 0) {
            if (error && !isDataError(reader.zipError()))
                *error = archiveError(ZipArchiveErrorCodeFileContentNotReadable,
                                      "failed to read contents of file entry");
            return false;
        }
    }
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
    return unzipFileAtPath(path, destination, preserveAttributes, overwrite, nestedZipLevel, password, error,
                           std::move(delegate), progressHandler, completionHandler, ZipOutputLimit());
}

bool ZipArchive::unzipFileAtPath(const std::string& path, const std::string& destination, bool preserveAttributes,
                                 bool overwrite, int nestedZipLevel, const std::string& password, ErrorOut error,
                                 DelegateRef delegate, const ZipProgressHandler& progressHandler,
                                 const ZipCompletionHandler& completionHandler, const ZipOutputLimit& outputLimit)
{
    UnzipRun::Options options;
    options.path = path;
    options.destination = destination;
    options.preserveAttributes = preserveAttributes;
    options.overwrite = overwrite;
    options.nestedZipLevel = nestedZipLevel;
    options.password = password;
    options.outputLimit = outputLimit;
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
        int zipError = 0;
        auto index = static_cast<zip_uint64_t>(i);
        FileHandle file(zipentry::openEntryFile(archive.get(), index, 0, std::string(), zipError));
        if (!file)
            return isPasswordMismatch(zipError);
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
        const CentralDirectory::Entry& entry = entries[static_cast<std::size_t>(i)];
        int zipError = 0;
        std::unique_ptr<EntryReader> reader
            = EntryReader::open(archive.get(), static_cast<zip_uint64_t>(i), entry, password, zipError);
        if (!reader) {
            if (error && !isPasswordMismatch(zipError))
                *error = archiveError(ZipArchiveErrorCodeFailedOpenFileInZip, "failed to open first file in zip file");
            return false;
        }
        if (entry.info.flag & kEncryptedFlag)
            return readsToItsEnd(*reader, error);
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
        foundation::misuse(foundation::NSInternalInconsistencyException, "failed malloc", foundation::MisuseDefault::ReturnNil);
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
