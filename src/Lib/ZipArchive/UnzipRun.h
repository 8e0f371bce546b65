#pragma once

#include "Lib/ZipArchive/CentralDirectory.h"
#include "Lib/ZipArchive/DestinationFolder.h"
#include "Lib/ZipArchive/ZipArchiveDelegate.h"
#include "Lib/ZipArchive/ZipTypes.h"

#include <ctime>
#include <memory>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <utility>
#include <vector>

struct zip;
class EntryReader;

// One unpacking run of ZipArchive: walks the entries in order, writes files, folders and links
// below the destination, and reports to the delegate and the blocks on the calling thread.
//
// Before anything is written the run refuses an archive whose entries overlap, one whose declared
// sizes add up to more than its output limit or with an entry declared larger than the limit of
// one entry, and one that would not fit in the free space (after asking for disk room back,
// foundation::reclaimDiskRoom). Entries the limit's filter leaves out are skipped unread. While writing it
// holds every entry to its declared size and to the limit of one entry. Files get the archive's permission
// bits less the process umask and never group- or world-writable ones.
class UnzipRun {
public:
    struct Options {
        std::string path;
        std::string destination;
        bool preserveAttributes = true;
        bool overwrite = true;
        int nestedZipLevel = 0;
        std::string password;
        ZipOutputLimit outputLimit;
        std::weak_ptr<ZipArchiveDelegate> delegate;
        const ZipProgressHandler* progressHandler = nullptr;
        const ZipCompletionHandler* completionHandler = nullptr;
    };

    explicit UnzipRun(Options options);
    bool run(foundation::Ref<foundation::Error>* error);
    // Bytes written so far, nested archives' output included.
    std::uint64_t written() const { return written_; }

private:
    // A failure before the first entry; `opened` tells whether the archive could be opened.
    bool finishEarly(
        foundation::Ref<foundation::Error> error, foundation::Ref<foundation::Error>* errorOut, bool opened);
    foundation::Ref<foundation::Error> checkLayout(const CentralDirectory& directory);
    // Whether the output limit's entry filter, when there is one, takes the entry.
    bool isWanted(const CentralDirectory::Entry& entry) const;
    bool unpackEntries(zip* archive, const CentralDirectory& directory);
    bool unpackEntry(zip* archive, std::size_t index, const CentralDirectory::Entry& entry);
    bool writeFile(
        EntryReader& reader, const std::string& fullPath, const ZipEntryInfo& info, std::time_t date);
    bool writeLink(EntryReader& reader, const std::string& fullPath, const std::string& relative);
    bool unpackNested(const std::string& fullPath);
    // A negative read: remembers a checksum mismatch, which gets its own error at the end.
    void noteReadFailure(const EntryReader& reader);
    bool refuse(const std::string& name, std::string_view reason = "outside the destination");
    // The error of an entry over the limit of one entry.
    foundation::Ref<foundation::Error> entryTooLarge(const std::string& name);
    bool addWritten(std::uint64_t count);
    void restoreFolderDates();
    std::shared_ptr<ZipArchiveDelegate> delegate() const { return options_.delegate.lock(); }

    Options options_;
    DestinationFolder destination_;
    std::vector<char> buffer_;
    foundation::Ref<foundation::Error> error_;
    std::vector<std::pair<std::string, std::time_t>> folderDates_;
    std::vector<bool> wanted_; // by entry index, from the output limit's filter
    ZipGlobalInfo globalInfo_;
    unsigned long long fileSize_ = 0;
    std::uint64_t outputCap_ = 0;
    std::uint64_t written_ = 0;
    mode_t umask_ = 022;
    unsigned long long position_ = 0;
    long index_ = -1;
    bool cancelled_ = false;
    bool checksumFailed_ = false;
};
