#pragma once

#include "Class/ServiceCore/Catalogue/KXCatalogueLog.h"
#include "Class/ServiceCore/Catalogue/KXCatalogueStatement.h"
#include "Platform/Foundation/Array.h"
#include "Platform/Foundation/Atomic.h"
#include "Platform/Foundation/Dictionary.h"
#include "Platform/Foundation/Error.h"
#include "Platform/Foundation/Object.h"
#include "Platform/Foundation/String.h"

#include <atomic>
#include <condition_variable>
#include <filesystem>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

class KXSuggestionIndex;
class KXSuggestionIndexCache;
class SQDatabase;
class SQDatabaseQueue;

// How soringDataBySqlString() orders its result.
enum class KXCatalogueOrder {
    AsStated,   // the statement's own ORDER BY
    Popularity, // the popularity list of the process-wide state first (Chinese catalogue)
};

// The local font catalogue, fonts.sqlite: one serial database queue on the file, the mapping of
// catalogue rows to font records, the popularity ordering, the VIP rule lookup and the merge of a
// partial catalogue update. Every read and write goes through the queue, so each operation is
// synchronous for its caller and callers on any thread are serialized.
//
// The installed catalogue is read-only; the shared manager works on a writable copy in the data
// folder, made from the installed file on first use and made again when another installed file
// ships. When the file cannot be opened, every statement fails: reads answer empty results and the
// merge reports NO. When SQLite finds the writable copy damaged (SQLITE_CORRUPT, SQLITE_NOTADB) in
// a read, the copy is kept aside as "fonts.sqlite.damaged", replaced by a fresh copy of the
// installed catalogue, and the read asked again of it; this happens at most once per manager, so
// an installed catalogue that is damaged itself cannot make it loop.
//
// Thread-safety: all members may be called from any thread. The merge's callback runs on the
// caller's thread after the queue is done, so it may call back into the manager; the log sink may
// be called from inside a queue block and must not.
class KXBaseDBManager {
public:
    // Posted on the thread that read the damage, once the writable copy was restored from the
    // installed catalogue: whatever was recorded about the contents of the old copy (its data
    // version) no longer holds.
    static constexpr const char* kCatalogueRestoredNotification = "KXCatalogueRestoredNotification";
    // Posted once by a manager that found no writable copy and could make none (a data folder it
    // cannot write): it reads the installed catalogue itself, and stores no update.
    static constexpr const char* kCatalogueReadOnlyNotification = "KXCatalogueReadOnlyNotification";

    // The manager of the writable catalogue copy, created on first use and kept until the process
    // ends (its queue is never closed).
    static KXBaseDBManager& shareDBManager();

    // A manager with a queue of its own on the writable catalogue copy (made first when needed).
    // A copy that is not a regular file, cannot be opened or has no font table is kept aside and
    // made again as a damaged one is; where no copy can be made, the installed file is read.
    KXBaseDBManager();
    // A manager with a queue of its own on the given catalogue file (tools and tests).
    explicit KXBaseDBManager(std::filesystem::path catalogueFile);
    ~KXBaseDBManager();
    KXBaseDBManager(const KXBaseDBManager&) = delete;
    KXBaseDBManager& operator=(const KXBaseDBManager&) = delete;

    // The queue on the catalogue; nil while the file cannot be opened.
    std::shared_ptr<SQDatabaseQueue> myQueue() const;
    const std::filesystem::path& catalogueFile() const { return file_; }
    // Whether this manager reads the installed catalogue itself: merges and replacements are refused.
    bool isReadOnly() const { return readOnly_; }

    // The font records of the statement's rows, in row order; empty when it finds nothing or fails.
    foundation::Ref<foundation::MutableArray> dataArrayBySqlStr(const KXCatalogueStatement& statement);
    // Starts reading the statement's rows on a background queue for a caller that will ask for
    // them shortly (the main window reads its first list while it builds its views). The next
    // dataArrayBySqlStr() of the same statement on unchanged catalogue contents takes those
    // records, waiting for the read to end; any other read drops them. A statement with arguments
    // is not read ahead.
    void readAhead(const KXCatalogueStatement& statement);

    // The first rows of a statement, for a list that shows them before the rest is read.
    struct FirstRows {
        foundation::Ref<foundation::MutableArray> records;
        // True when these are all of the statement's rows: fewer than asked for came, or the whole
        // result had been read ahead (readAhead()) and is given at once.
        bool complete = false;
        // True when the walk ran out of its steps (setFirstRowsSteps()) before it had found the
        // rows asked for: `records` are the first of them found so far (maybe none), never complete.
        bool cutShort = false;
        // The contents' generation() before the read.
        unsigned long long generation = 0;
    };
    // Up to `count` rows of the statement, in its order. A list order (appendDefaultOrder(),
    // appendVipOrder()) on a catalogue whose list index is made is read in its parts
    // (firstRowsParts()), none of which sorts the table; any other statement is run with a LIMIT.
    // Rows that tie on every key of the ordering may come in another order than in the whole result.
    // The walk is bounded: a filter that few rows match would otherwise walk the whole list order
    // on the caller's thread (the main thread) before it could say that fewer rows came.
    FirstRows firstRowsBySqlStr(const KXCatalogueStatement& statement, std::size_t count);
    // SQLite's virtual machine steps that the first rows' statements of one call may take together
    // (a few milliseconds' work); 0 lets them walk as far as they need. The list of every language
    // and the filters that many rows match find their first rows in a few thousand steps.
    static constexpr long long kFirstRowsSteps = 250000;
    void setFirstRowsSteps(long long steps) { firstRowsSteps_ = steps > 0 ? steps : 0; }
    // Makes the list index (KXCatalogueStatement::kListOrderIndex) on the catalogue file, on a
    // background queue; waitForBackgroundReads() waits for it too. The writable copy gets it when
    // the manager is made and again after each replacement of the file; until it is there, first
    // rows are read with a LIMIT.
    void makeListIndexes();
    // No generation: what a background read claims when the contents changed while it ran.
    static constexpr unsigned long long kNoGeneration = ~0ULL;
    // Reads all rows of the statement on a background queue and hands the records to `done` on
    // that queue's thread, with the contents' generation() of the read (kNoGeneration when it
    // changed meanwhile). Once `stopped`
    // answers true (it is asked from the reading thread every few rows, and while SQLite still
    // works towards the first row) the read ends early and `done` gets nil; a read that fails,
    // even part way, gives nil as well, never the rows read before the failure. The manager waits
    // for its background reads before it ends.
    void readInBackground(KXCatalogueStatement statement, std::function<bool()> stopped,
        std::function<void(foundation::Ref<foundation::MutableArray>, unsigned long long generation)> done);
    // Returns once no background read is under way (each one's `done` has returned).
    void waitForBackgroundReads();
    // Popularity (Chinese catalogue only): the fonts of the popularity list in its order, then
    // every other font by default_sort descending; the statement's conditions do not apply. When
    // the list is empty or names no font of the catalogue, and in the English catalogue, the
    // statement runs as it stands: the caller gives it its default ordering.
    foundation::Ref<foundation::MutableArray> soringDataBySqlString(
        const KXCatalogueStatement& statement, KXCatalogueOrder order = KXCatalogueOrder::AsStated);
    // The parsed font_info JSON of a font, or nil.
    foundation::Id fontInfoByFontid(long long fontid);
    // {"rule", "content"} of the VIP type's row of fp_vip_rule; empty when there is none.
    foundation::Ref<foundation::MutableDictionary> vipInfoByViptype(const foundation::Id& vipType);

    // Merges the row dictionaries of a partial update into fp_fonts in one transaction: rows whose
    // fontid exists are updated (every row of that fontid), the others inserted. A row without an
    // integer fontid is skipped and logged. Any failing statement rolls the whole merge back. The
    // callback gets YES only after the transaction has committed.
    void updateDataWithdDatas(const foundation::Id& datas, const std::function<void(bool)>& callBack);
    // The same merge from a partial package's fonts.txt, read as a stream and merged a batch of
    // rows at a time in the one transaction, so that it holds a batch whatever the text holds.
    // False, with nothing changed and `problem` said, when a statement fails or the text is not a
    // JSON array of rows to its end; `broken` is then whether the text itself is at fault.
    bool updateDataWithFontsText(const std::filesystem::path& text, std::string* problem, bool* broken);

    // Counts the changes of the catalogue's contents: each committed merge and each swapped file
    // adds one, so copies of its texts (the suggestion index) can tell they are stale.
    unsigned long long generation() const { return generation_.load(); }
    // The type-ahead's copy of the keyword and font-name texts for the current generation, built
    // on the calling thread (reading through the queue) when the catalogue changed since the last.
    std::shared_ptr<const KXSuggestionIndex> suggestionIndex();
    KXSuggestionIndexCache& suggestionIndexCache() { return *suggestionIndexCache_; }

    // Closes the connection; the next operation opens the file again.
    void close();
    // Moves `replacement` over the catalogue file while the connection is closed, then reopens it.
    // The replacement is checked first (KXCatalogueFile::catalogueDefect: SQLite's integrity check,
    // the tables and columns the client uses); a refused replacement, or a failed move, leaves the
    // old file in use and answers false with the reason. Callers record a new data version only
    // when this answers true.
    bool replaceCatalogueWithFile(const std::filesystem::path& replacement, foundation::Ref<foundation::Error>* error = nullptr);

    // Where the catalogue's log lines go (stderr by default); see KXCatalogueLog.h.
    using LogSink = kxcatalogue::LogSink;
    static LogSink setLogSink(LogSink sink) { return kxcatalogue::setLogSink(std::move(sink)); }
    static void log(const std::string& line) { kxcatalogue::log(line); }

private:
    // Records being read, or read, ahead of the call that wants them.
    struct ReadAhead {
        std::string sql;
        unsigned long long generation = 0;
        std::shared_future<foundation::Ref<foundation::MutableArray>> records;
    };

    bool openQueue();
    void readInstalledCatalogue();
    // Runs `block` on the queue; a block that met damage runs once more on the restored copy, so it
    // must start its result afresh. False when the file cannot be opened.
    bool inCatalogue(const std::function<void(const foundation::Ref<SQDatabase>&)>& block);
    bool restoreDamagedCopy();
    // What is left of a read's steps (setFirstRowsSteps()); `spent` once the read ran out of them.
    struct StepAllowance {
        long long left = 0;
        bool spent = false;
        int charge = 0; // steps between two charges
    };
    // Nil when the file cannot be opened or the statement fails; empty when it finds nothing. A read
    // that was stopped, or that ran out of its allowance, gives the rows it had read by then.
    foundation::Ref<foundation::MutableArray> readFonts(const KXCatalogueStatement& statement,
        const std::function<bool()>& stopped = {}, StepAllowance* allowance = nullptr);
    foundation::Ref<foundation::MutableArray> takeReadAhead(const KXCatalogueStatement& statement);
    foundation::Ref<foundation::MutableArray> popularFonts(const std::vector<long long>& popular);

    std::filesystem::path file_;
    foundation::Atomic<std::shared_ptr<SQDatabaseQueue>> queue_; // replaced when the file is reopened
    std::atomic<unsigned long long> generation_{0};
    std::unique_ptr<KXSuggestionIndexCache> suggestionIndexCache_;
    std::mutex readAheadLock_;
    std::optional<ReadAhead> readAhead_;
    // Background reads under way; the destructor waits until there are none.
    std::mutex backgroundLock_;
    std::condition_variable backgroundEnded_;
    int backgroundReads_ = 0;
    // The list index is on the file open now: set once it is made, cleared when the file is replaced.
    std::atomic<bool> listIndexReady_{false};
    std::atomic<long long> firstRowsSteps_{kFirstRowsSteps};
    bool restoresDamagedCopy_ = false; // only the copy of the installed catalogue has one to restore from
    bool readOnly_ = false;            // set once, while the manager is made
    std::mutex restoreLock_;
    bool restoreTried_ = false;
    bool restored_ = false;
};
