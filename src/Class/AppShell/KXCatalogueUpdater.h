#pragma once

#include "Platform/Foundation/Dictionary.h"
#include "Platform/Foundation/Object.h"

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <limits>
#include <memory>
#include <string>

class KXBaseDBManager;
class KXHTTPREQUEST;

// Applies the pending catalogue data package (recorded by the splash) when the shown window is
// minimised or closed: of a partial package "fonts.txt" alone is unpacked and its rows merged into
// the catalogue; of a full package "fonts.sqlite" alone is unpacked into a staging folder and, once it is
// known to be a catalogue, replaces the catalogue file. Success advances "dataVersion" and clears
// the pending update; any failure leaves it pending for the next minimise or close. A package
// found broken (not an archive, a damaged or over-large entry, no fonts.txt or no catalogue, a
// fonts.txt that is no JSON array of rows) is not fetched again by this updater while the service
// offers that same package (address and data version); a failed download, a full disk or a failed
// statement are tried again. The mark lives with the updater: a restart tries the package once
// more. fonts.txt is read as a stream and merged in batches, and the memory the merge used is
// given back to the system when it ends. The package is fetched by KXHTTPREQUEST's download queue,
// so an http address is fetched over https or refused.
//
// One job runs at a time; the updater must outlive its jobs (the shared one lives for the process). The
// pending pair is read once, on the main thread, when a job starts; the download and unpacking run off the
// main thread and the outcome is written back on the main queue. The working folders are removed when a job
// ends.
class KXCatalogueUpdater {
public:
    // The most a partial package's fonts.txt (and any other entry of it) may unpack to: far above
    // the text of any real catalogue. A larger one is refused while unpacking, before it is
    // written, and the package counts as broken.
    static constexpr std::uint64_t kMaximumFontsTextBytes = std::uint64_t { 256 } << 20;
    // The most a full package's fonts.sqlite may unpack to: kFullPackageRatio times the package's
    // size, and never above kMaximumCatalogueBytes. A SQLite catalogue deflates about ten to one
    // (the sample's 64 KiB to 7 KiB, 9:1; text columns and page slack, 3:1 to 20:1): 64 leaves
    // room for a sparser file while a package of a few megabytes can no longer fill a disk. The
    // ceiling is the most any package may be downloaded at, far above a real catalogue of tens
    // of megabytes. A larger one is refused while unpacking, before it is written.
    static constexpr std::uint64_t kFullPackageRatio = 64;
    static constexpr std::uint64_t kMaximumCatalogueBytes = std::uint64_t { 1 } << 30;

    static KXCatalogueUpdater& shared();
    // An updater that merges into `database` (the shared catalogue manager by default), with
    // `maximumFontsTextBytes` in place of kMaximumFontsTextBytes.
    explicit KXCatalogueUpdater(
        KXBaseDBManager* database = nullptr, std::uint64_t maximumFontsTextBytes = kMaximumFontsTextBytes);

    // Main thread. Starts the pending update and returns true, or returns false when nothing is
    // pending, a job is still running or the catalogue read is the installed file, where no update
    // can be stored. `done` runs on the main queue with whether the update was applied.
    bool updateAppData(std::function<void(bool applied)> done = {});
    bool isRunning() const { return running_; }
    // Whether the pending package is one found broken, which is not fetched again.
    bool isPendingPackageBroken() const;

    // <cache>/kxData/updataData/C/C, the folder up to the first C created; the cache folder itself
    // for an empty component.
    static std::filesystem::path pathForDocumentWithComponent(const std::string& component);
    // The text's UTF-8 bytes as JSON with mutable containers; nil when it is not JSON.
    static foundation::Id jsonToObject(const std::string& text);
    // Unpacks a downloaded package into `destination` and removes the package. Its files are 0600,
    // whatever mode the archive gives them; `problem` says why when it fails. An entry larger than
    // `maximumEntryBytes` fails the unpacking and is not written.
    // `broken`, when given, says whether a failure lies with the archive itself rather than with
    // the disk. With `onlyEntry`, that top-level entry alone is unpacked and the others are
    // skipped unread; with `maximumRatio`, the run writes at most that many times the package's size.
    static bool unpackPackage(const std::filesystem::path& archive, const std::filesystem::path& destination,
        std::string* problem, std::uint64_t maximumEntryBytes = std::numeric_limits<std::uint64_t>::max(),
        bool* broken = nullptr, const std::string& onlyEntry = {}, std::uint64_t maximumRatio = 0);

private:
    struct Job;
    static bool applyPartial(Job& job, std::string* problem);
    static bool applyFull(Job& job, std::string* problem);
    void finish(const std::shared_ptr<Job>& job, bool applied);

    // The pending package as a key: its address and data version.
    static std::string packageKey(const foundation::Ref<foundation::Dictionary>& pending);

    KXBaseDBManager* database_;
    std::uint64_t maximumFontsTextBytes_;
    std::atomic<bool> running_ = false;
    std::string brokenPackage_; // main thread
};
