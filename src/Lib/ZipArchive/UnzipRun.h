#pragma once

#include "Lib/ZipArchive/CentralDirectory.h"
#include "Lib/ZipArchive/DestinationFolder.h"
#include "Lib/ZipArchive/ZipArchiveDelegate.h"
#include "Lib/ZipArchive/ZipTypes.h"

#include <ctime>
#include <memory>
#include <string>
#include <utility>
#include <vector>

struct zip;
class EntryReader;

// One unpacking run of ZipArchive: walks the entries in order, writes files, folders and links
// below the destination, and reports to the delegate and the blocks on the calling thread.
class UnzipRun {
public:
    struct Options {
        std::string path;
        std::string destination;
        bool preserveAttributes = true;
        bool overwrite = true;
        int nestedZipLevel = 0;
        std::string password;
        std::weak_ptr<ZipArchiveDelegate> delegate;
        const ZipProgressHandler* progressHandler = nullptr;
        const ZipCompletionHandler* completionHandler = nullptr;
    };

    explicit UnzipRun(Options options);
    bool run(foundation::Ref<foundation::Error>* error);

private:
    bool finishEarly(foundation::Ref<foundation::Error> error, foundation::Ref<foundation::Error>* errorOut);
    bool unpackEntries(zip* archive, const CentralDirectory& directory);
    bool unpackEntry(zip* archive, std::size_t index, const CentralDirectory::Entry& entry);
    bool writeFile(EntryReader& reader, const std::string& fullPath, const ZipEntryInfo& info, std::time_t date);
    bool writeLink(EntryReader& reader, const std::string& fullPath, const std::string& relative);
    bool unpackNested(const std::string& fullPath);
    // A negative read: remembers a checksum mismatch, which gets its own error at the end.
    void noteReadFailure(const EntryReader& reader);
    bool refuse(const std::string& name);
    void restoreFolderDates();
    std::shared_ptr<ZipArchiveDelegate> delegate() const { return options_.delegate.lock(); }

    Options options_;
    DestinationFolder destination_;
    std::vector<char> buffer_;
    foundation::Ref<foundation::Error> error_;
    std::vector<std::pair<std::string, std::time_t>> folderDates_;
    ZipGlobalInfo globalInfo_;
    unsigned long long fileSize_ = 0;
    unsigned long long position_ = 0;
    long index_ = -1;
    bool cancelled_ = false;
    bool checksumFailed_ = false;
};
