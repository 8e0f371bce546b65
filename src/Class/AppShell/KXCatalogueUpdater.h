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
// minimised or closed: a partial package is unpacked and its "fonts.txt" rows merged into the
// catalogue; a full package is unpacked into a staging folder and its "fonts.sqlite", once it is
// known to be a catalogue, replaces the catalogue file. Success advances "dataVersion" and clears
// the pending update; any failure leaves it pending for the next minimise or close. The package is
// fetched by KXHTTPREQUEST's download queue, so an http address is fetched over https or refused.
//
// One job runs at a time; the updater must outlive its jobs (the shared one lives for the process). The pending pair is read once, on the main thread, when a job starts;
// the download and unpacking run off the main thread and the outcome is written back on the main
// queue. The working folders are removed when a job ends.
class KXCatalogueUpdater {
public:
    // The most a partial package's fonts.txt (and any other entry of it) may unpack to: far above
    // the text of any real catalogue, while the text read whole stays within a desktop's memory.
    // A larger one is refused while unpacking, before it is written, and the update stays pending.
    static constexpr std::uint64_t kMaximumFontsTextBytes = std::uint64_t{256} << 20;

    static KXCatalogueUpdater& shared();
    // An updater that merges into `database` (the shared catalogue manager by default), with
    // `maximumFontsTextBytes` in place of kMaximumFontsTextBytes.
    explicit KXCatalogueUpdater(KXBaseDBManager* database = nullptr,
                                std::uint64_t maximumFontsTextBytes = kMaximumFontsTextBytes);

    // Main thread. Starts the pending update and returns true, or returns false when nothing is
    // pending, a job is still running or the catalogue read is the installed file, where no update
    // can be stored. `done` runs on the main queue with whether the update was applied.
    bool updateAppData(std::function<void(bool applied)> done = {});
    bool isRunning() const { return running_; }

    // <cache>/kxData/updataData/C/C, the folder up to the first C created; the cache folder itself
    // for an empty component.
    static std::filesystem::path pathForDocumentWithComponent(const std::string& component);
    // The text's UTF-8 bytes as JSON with mutable containers; nil when it is not JSON.
    static foundation::Id jsonToObject(const std::string& text);
    // Unpacks a downloaded package into `destination` and removes the package. Its files are 0600,
    // whatever mode the archive gives them; `problem` says why when it fails. An entry larger than
    // `maximumEntryBytes` fails the unpacking and is not written.
    static bool unpackPackage(const std::filesystem::path& archive, const std::filesystem::path& destination,
                              std::string* problem,
                              std::uint64_t maximumEntryBytes = std::numeric_limits<std::uint64_t>::max());

private:
    struct Job;
    static bool applyPartial(Job& job, std::string* problem);
    static bool applyFull(Job& job, std::string* problem);
    void finish(const std::shared_ptr<Job>& job, bool applied);

    KXBaseDBManager* database_;
    std::uint64_t maximumFontsTextBytes_;
    std::atomic<bool> running_ = false;
};
