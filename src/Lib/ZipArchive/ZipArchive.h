#pragma once

#include "Lib/ZipArchive/ZipArchiveDelegate.h"
#include "Lib/ZipArchive/ZipTypes.h"

#include "Platform/Foundation/Data.h"
#include "Platform/Foundation/Date.h"
#include "Platform/Foundation/Error.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct zip;

// Information given to the zip library for each new entry.
struct ZipNewEntryInfo {
    std::uint32_t dosDate = 0;
    std::uint16_t internalFa = 0;
    std::uint32_t externalFa = 0;
};

// Unpacks zip archives into folders (class side) and creates them (instance side, driven by the
// create... class methods).
//
// Unpacking runs synchronously on the caller's thread; the delegate and the blocks are called on
// that thread. No entry is ever written outside the destination, nor more than the run's output
// limit (ZipOutputLimit, which also caps each entry), nor more than the free space; an entry whose
// data differs in size from its declared size, and an archive whose entries overlap, fail as
// damaged. An instance holds one archive being created and is used by one thread at a time; the
// class side holds no shared state.
//
// Paths and passwords are UTF-8; an empty password means none.
class ZipArchive {
public:
    using ErrorOut = foundation::Ref<foundation::Error>*;
    using DelegateRef = std::weak_ptr<ZipArchiveDelegate>;

    // --- Unpacking ---------------------------------------------------------------------------
    static bool unzipFileAtPath(const std::string& path, const std::string& destination);
    static bool unzipFileAtPath(const std::string& path, const std::string& destination, bool overwrite,
                                const std::string& password, ErrorOut error);
    static bool unzipFileAtPath(const std::string& path, const std::string& destination, DelegateRef delegate);
    static bool unzipFileAtPath(const std::string& path, const std::string& destination, bool overwrite,
                                const std::string& password, ErrorOut error, DelegateRef delegate);
    static bool unzipFileAtPath(const std::string& path, const std::string& destination, bool overwrite,
                                const std::string& password, const ZipProgressHandler& progressHandler,
                                const ZipCompletionHandler& completionHandler);
    static bool unzipFileAtPath(const std::string& path, const std::string& destination,
                                const ZipProgressHandler& progressHandler,
                                const ZipCompletionHandler& completionHandler);
    static bool unzipFileAtPath(const std::string& path, const std::string& destination, bool preserveAttributes,
                                bool overwrite, const std::string& password, ErrorOut error, DelegateRef delegate);
    static bool unzipFileAtPath(const std::string& path, const std::string& destination, bool preserveAttributes,
                                bool overwrite, const std::string& password, ErrorOut error, DelegateRef delegate,
                                const ZipProgressHandler& progressHandler,
                                const ZipCompletionHandler& completionHandler);
    // The core every form above passes on to, with a nested level of 0. A positive level also
    // unpacks ".zip" files found inside into their own folders, that many levels deep.
    static bool unzipFileAtPath(const std::string& path, const std::string& destination, bool preserveAttributes,
                                bool overwrite, int nestedZipLevel, const std::string& password, ErrorOut error,
                                DelegateRef delegate, const ZipProgressHandler& progressHandler,
                                const ZipCompletionHandler& completionHandler);
    // The same with a cap on what the call may write in all; every form above uses the default
    // cap. Over the cap the run fails before it writes anything, or, for nested archives, when it
    // gets there (ZipArchiveErrorCodeOutputLimitExceeded).
    static bool unzipFileAtPath(const std::string& path, const std::string& destination, bool preserveAttributes,
                                bool overwrite, int nestedZipLevel, const std::string& password, ErrorOut error,
                                DelegateRef delegate, const ZipProgressHandler& progressHandler,
                                const ZipCompletionHandler& completionHandler, const ZipOutputLimit& outputLimit);

    // --- Probes ------------------------------------------------------------------------------
    static bool isFilePasswordProtectedAtPath(const std::string& path);
    // Whether `password` opens the first encrypted entry (YES when there is none). That entry is
    // read to its end and thrown away, so that its checksum or authentication code decides: the
    // time taken grows with its size. A wrong password is a NO without an error; `error` is set
    // when the archive or an entry cannot be read at all.
    static bool isPasswordValidForArchiveAtPath(const std::string& path, const std::string& password,
                                                ErrorOut error);

    // --- Helpers -----------------------------------------------------------------------------
    static foundation::Ref<foundation::String> _filenameStringWithCString(const char* filename,
                                                                          std::uint16_t version_made_by,
                                                                          std::uint16_t general_purpose_flag,
                                                                          std::size_t size);
    static foundation::Ref<foundation::Date> _dateWithMSDOSFormat(std::uint32_t msdosDateTime);
    // Entry information from an item on disk: its modification date and its permissions with the
    // type bits (a folder's marked as a folder). Unchanged when the item cannot be read.
    static void zipInfo(ZipNewEntryInfo& info, const std::string& setAttributesOfItemAtPath);
    static void zipInfo(ZipNewEntryInfo& info, const foundation::Date& setDate);

    // --- Creating: class side ----------------------------------------------------------------
    static bool createZipFileAtPath(const std::string& path, const std::vector<std::string>& withFilesAtPaths);
    static bool createZipFileAtPath(const std::string& path, const std::vector<std::string>& withFilesAtPaths,
                                    const std::string& withPassword);
    static bool createZipFileAtPath(const std::string& path, const std::string& withContentsOfDirectory);
    static bool createZipFileAtPath(const std::string& path, const std::string& withContentsOfDirectory,
                                    bool keepParentDirectory);
    static bool createZipFileAtPath(const std::string& path, const std::string& withContentsOfDirectory,
                                    const std::string& withPassword);
    static bool createZipFileAtPath(const std::string& path, const std::string& withContentsOfDirectory,
                                    const char* withPassword)
    {
        return createZipFileAtPath(path, withContentsOfDirectory, std::string(withPassword ? withPassword : ""));
    }
    static bool createZipFileAtPath(const std::string& path, const std::string& withContentsOfDirectory,
                                    bool keepParentDirectory, const std::string& withPassword);
    static bool createZipFileAtPath(const std::string& path, const std::string& withContentsOfDirectory,
                                    bool keepParentDirectory, const std::string& withPassword,
                                    const ZipCreationProgressHandler& andProgressHandler);
    static bool createZipFileAtPath(const std::string& path, const std::string& withContentsOfDirectory,
                                    bool keepParentDirectory, int compressionLevel, const std::string& password,
                                    bool AES, const ZipCreationProgressHandler& progressHandler);

    // --- Creating: instance side -------------------------------------------------------------
    explicit ZipArchive(const std::string& initWithPath);
    ~ZipArchive();
    ZipArchive(const ZipArchive&) = delete;
    ZipArchive& operator=(const ZipArchive&) = delete;

    // Creates (truncates) the archive file; true when it could be made.
    bool open();
    bool writeFolderAtPath(const std::string& path, const std::string& withFolderName,
                           const std::string& withPassword);
    bool writeFile(const std::string& path, const std::string& withPassword);
    bool writeFileAtPath(const std::string& path, const std::string& withFileName, const std::string& withPassword);
    bool writeFileAtPath(const std::string& path, const std::string& withFileName, int compressionLevel,
                         const std::string& password, bool AES);
    bool writeData(const foundation::Ref<foundation::Data>& data, const std::string& filename,
                   const std::string& withPassword);
    bool writeData(const foundation::Ref<foundation::Data>& data, const std::string& filename, int compressionLevel,
                   const std::string& password, bool AES);
    // Compresses every entry and writes the archive; true when all of it reached the disk. A file
    // that changed size or could not be read since it was added fails the close.
    bool close();

    const std::string& path() const { return _path; }

private:
    bool addEntry(const std::string& name, struct zip_source* source, const ZipNewEntryInfo& info,
                  int compressionLevel, const std::string& password, bool AES);

    std::string _path;
    zip* _zip = nullptr;
};

// Data helpers of the archive layer.
namespace zipdata {
// Upper-case hexadecimal text, two digits per byte. Raises NSInternalInconsistencyException
// "failed malloc" when its buffer cannot be had.
std::string _hexString(const foundation::Data& data);
// Base64 with "-" for "+" and "_" for "/"; the padding is kept.
std::string _base64RFC4648(const foundation::Data& data);
} // namespace zipdata
