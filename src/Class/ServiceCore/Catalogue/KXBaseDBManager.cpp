#include "Class/ServiceCore/Catalogue/KXBaseDBManager.h"

#include "Class/ServiceCore/Catalogue/KXCatalogueFile.h"
#include "Class/ServiceCore/Catalogue/KXCatalogueMerge.h"
#include "Class/ServiceCore/Catalogue/KXCatalogueRowReader.h"
#include "Class/ServiceCore/Catalogue/KXCatalogueRowStream.h"
#include "Class/ServiceCore/Catalogue/KXSuggestionIndex.h"
#include "Class/ServiceCore/Transport/KXGlobalDataBase.h"
#include "Lib/SQLKit/SQDatabase.h"
#include "Lib/SQLKit/SQDatabaseQueue.h"
#include "Lib/SQLKit/SQResultSet.h"
#include "Platform/Dispatch/NotificationCenter.h"
#include "Platform/Dispatch/Queue.h"
#include "Platform/Foundation/Data.h"
#include "Platform/Foundation/Format.h"
#include "Platform/Foundation/PrivateFiles.h"
#include "Platform/Serialization/JSONSerialization.h"

#include <algorithm>
#include <sqlite3.h>

#include <cstdio>
#include <exception>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

using foundation::Id;
using foundation::MutableArray;
using foundation::MutableDictionary;
using foundation::Ref;
using foundation::String;

namespace {

// Read and write, never create: a missing catalogue is a failure, not an empty new file. The
// queue already lets one block at a time use the connection, so SQLite's own lock around every
// call is left out.
constexpr int kOpenFlags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX;
// The installed catalogue, read where no copy of it can be made: never written.
constexpr int kReadOnlyFlags = SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX;
// Virtual machine steps between two questions to a read that may be told to stop.
constexpr int kStepsBetweenStops = 10000;

int stopWhenAsked(void* stopped)
{
    return (*static_cast<const std::function<bool()>*>(stopped))() ? 1 : 0;
}

// Virtual machine steps between two charges to a read's allowance.
constexpr int kStepsPerCharge = 1000;

} // namespace

bool KXBaseDBManager::inCatalogue(const std::function<void(const Ref<SQDatabase>&)>& block)
{
    bool damaged = false;
    const auto run = [&](const Ref<SQDatabaseQueue>& queue) {
        queue->inDatabase([&](const Ref<SQDatabase>& db) {
            block(db);
            damaged = KXCatalogueFile::isDamageCode(db->lastErrorCode());
        });
    };
    auto queue = myQueue();
    if (!queue)
        return false;
    run(queue);
    // Asked again of the fresh copy, but never restored twice: a second damage is only logged.
    if (damaged && restoreDamagedCopy() && (queue = myQueue()))
        run(queue);
    return true;
}

bool KXBaseDBManager::restoreDamagedCopy()
{
    if (!restoresDamagedCopy_)
        return false;
    // Logged and posted outside the lock: a log sink or an observer may read the catalogue, and
    // find it damaged again, without waiting on this restore.
    std::vector<std::string> lines;
    bool restored = false;
    {
        // Readers that found the damage together wait here for the one restoring the copy, then
        // read the fresh copy.
        std::lock_guard lock(restoreLock_);
        if (restoreTried_)
            return restored_;
        restoreTried_ = true;
        Ref<foundation::Error> error;
        if (!KXCatalogueFile::keepDamaged(file_, &error))
            lines.push_back(foundation::format("cannot keep the damaged catalogue %s: %@", file_.c_str(), error));
        const std::filesystem::path fresh = KXCatalogueFile::copyOfBundledBesideWritable(&error);
        if (fresh.empty() || !replaceCatalogueWithFile(fresh, &error)) {
            std::error_code ignored;
            if (!fresh.empty())
                std::filesystem::remove(fresh, ignored);
            lines.push_back(foundation::format("the catalogue %s is damaged and cannot be restored: %@", file_.c_str(), error));
        } else {
            restored_ = restored = true;
            lines.push_back(foundation::format("the catalogue %s was damaged: kept as %s%s, restored from the installed catalogue",
                file_.c_str(), file_.c_str(), KXCatalogueFile::kDamagedSuffix));
        }
    }
    for (const std::string& line : lines)
        log(line);
    if (restored)
        dispatch::NotificationCenter::defaultCenter().post(kCatalogueRestoredNotification);
    return restored;
}

Ref<MutableArray> KXBaseDBManager::readFonts(
    const KXCatalogueStatement& statement, const std::function<bool()>& stopped, StepAllowance* allowance)
{
    // With an allowance, the read ends as a stopped one does once SQLite has taken its steps.
    std::function<bool()> spentOrStopped;
    if (allowance)
        spentOrStopped = [allowance, &stopped] { return allowance->spent || (stopped && stopped()); };
    const std::function<bool()>& ends = allowance ? spentOrStopped : stopped;
    Ref<MutableArray> fonts;
    inCatalogue([&](const Ref<SQDatabase>& db) {
        fonts = nullptr;
        if (ends && ends()) {
            fonts = MutableArray::create();
            return;
        }
        // A statement that sorts its rows gives the first one only once all are sorted: SQLite
        // asks the stop now and then while it works, and ends the statement when it answers true.
        sqlite3* handle = db->sqliteHandle();
        if (handle && allowance) {
            // Charged in steps of at most the allowance itself, so that a small one is kept too.
            allowance->charge = static_cast<int>(std::clamp<long long>(allowance->left, 1, kStepsPerCharge));
            sqlite3_progress_handler(handle, allowance->charge, [](void* walk) {
                auto* charged = static_cast<StepAllowance*>(walk);
                charged->left -= charged->charge;
                if (charged->left <= 0)
                    charged->spent = true;
                return charged->spent ? 1 : 0;
            }, allowance);
        } else if (handle && stopped) {
            sqlite3_progress_handler(handle, kStepsBetweenStops, stopWhenAsked, const_cast<std::function<bool()>*>(&stopped));
        }
        const Ref<SQResultSet> rows = db->executeQueryWithVAList(statement.sql(), statement.arguments());
        if (rows) {
            fonts = KXCatalogueRowReader(*rows).fontRecords(ends);
            rows->close();
        }
        if (handle && ends)
            sqlite3_progress_handler(handle, 0, nullptr, nullptr);
    });
    return fonts;
}

KXBaseDBManager& KXBaseDBManager::shareDBManager()
{
    // Never destroyed: closing its queue at exit would need the dispatch layer's per-thread state,
    // which is gone by then. The process's end closes the file.
    static union Holder {
        Holder()
            : manager()
        {
        }
        ~Holder() { }
        KXBaseDBManager manager;
    } holder;
    return holder.manager;
}

KXBaseDBManager::KXBaseDBManager()
    : file_(KXCatalogueFile::prepareWritableCopy())
    , suggestionIndexCache_(std::make_unique<KXSuggestionIndexCache>())
{
    restoresDamagedCopy_ = true;
    // Only what is cheap at every start: damage inside the pages is found by the reads.
    std::error_code ec;
    const bool present = std::filesystem::exists(std::filesystem::symlink_status(file_, ec));
    const std::string defect = present ? KXCatalogueFile::quickDefect(file_) : std::string();
    if (!defect.empty()) {
        log(foundation::format("the catalogue %s %@", file_.c_str(), defect));
        restoreDamagedCopy();
    } else {
        openQueue();
    }
    if (!myQueue() && std::filesystem::is_regular_file(KXCatalogueFile::bundledPath(), ec))
        readInstalledCatalogue();
    if (!readOnly_ && !restored_)
        makeListIndexes();
}

void KXBaseDBManager::readInstalledCatalogue()
{
    log(foundation::format("no copy of the catalogue can be kept at %s: reading the installed catalogue, updates are not stored",
        file_.c_str()));
    file_ = KXCatalogueFile::bundledPath();
    readOnly_ = true;
    restoresDamagedCopy_ = false;
    if (openQueue())
        dispatch::NotificationCenter::defaultCenter().post(kCatalogueReadOnlyNotification);
}

KXBaseDBManager::KXBaseDBManager(std::filesystem::path catalogueFile)
    : file_(std::move(catalogueFile))
    , suggestionIndexCache_(std::make_unique<KXSuggestionIndexCache>())
{
    openQueue();
}

KXBaseDBManager::~KXBaseDBManager()
{
    waitForBackgroundReads();
    // A read still running ahead uses the queue: let it end before the connection closes.
    std::optional<ReadAhead> pending;
    {
        std::lock_guard lock(readAheadLock_);
        pending.swap(readAhead_);
    }
    if (pending)
        pending->records.wait();
    close();
}

bool KXBaseDBManager::openQueue()
{
    std::error_code ec;
    Ref<SQDatabaseQueue> queue;
    if (std::filesystem::is_regular_file(file_, ec)) {
        // SQLite gives its journal, WAL and shared-memory files the database's own mode; side files
        // left by an older version are closed as well. The installed file is not the user's.
        if (!readOnly_) {
            for (const char* suffix : { "", "-journal", "-wal", "-shm" })
                foundation::PrivateFiles::restrictFile(file_.string() + suffix);
        }
        queue = SQDatabaseQueue::databaseQueueWithPath(Id(file_.string()), readOnly_ ? kReadOnlyFlags : kOpenFlags);
    }
    if (!queue)
        log(foundation::format("cannot open the catalogue %s", file_.c_str()));
    queue_.set(queue);
    return queue != nullptr;
}

Ref<SQDatabaseQueue> KXBaseDBManager::myQueue() const
{
    return queue_.get();
}

Ref<MutableArray> KXBaseDBManager::dataArrayBySqlStr(const KXCatalogueStatement& statement)
{
    if (auto records = takeReadAhead(statement))
        return records;
    auto records = readFonts(statement);
    return records ? records : MutableArray::create();
}

void KXBaseDBManager::readAhead(const KXCatalogueStatement& statement)
{
    if (!statement.arguments().empty())
        return;
    auto promise = std::make_shared<std::promise<Ref<MutableArray>>>();
    ReadAhead ahead{statement.sql(), generation(), promise->get_future().share()};
    std::optional<ReadAhead> replaced;
    {
        std::lock_guard lock(readAheadLock_);
        replaced = std::exchange(readAhead_, std::move(ahead));
    }
    if (replaced)
        replaced->records.wait(); // nothing runs on the queue past the manager's end
    // The manager waits for this read before it ends, so the block may use it.
    dispatch::globalQueue(dispatch::Priority::High).async([this, promise, statement] {
        try {
            promise->set_value(readFonts(statement));
        } catch (...) {
            promise->set_exception(std::current_exception());
        }
    });
}

KXBaseDBManager::FirstRows KXBaseDBManager::firstRowsBySqlStr(const KXCatalogueStatement& statement, std::size_t count)
{
    FirstRows first;
    first.generation = generation();
    // The whole list read ahead for this statement (the main window's first list) is all there is
    // to show.
    if (auto records = takeReadAhead(statement)) {
        first.records = std::move(records);
        first.complete = true;
        return first;
    }
    // One allowance for all the parts: the walk's bound is the call's, not each statement's.
    const long long steps = firstRowsSteps_;
    StepAllowance allowance{steps};
    StepAllowance* bounded = steps > 0 ? &allowance : nullptr;
    const auto parts = listIndexReady_ ? statement.firstRowsParts() : std::vector<KXCatalogueStatement>();
    if (parts.empty()) {
        KXCatalogueStatement limited = statement;
        limited.append(" LIMIT ?", {Id(static_cast<long long>(count))});
        first.records = readFonts(limited, {}, bounded);
    } else {
        first.records = MutableArray::create();
        for (KXCatalogueStatement part : parts) {
            const std::size_t wanted = count - std::min(count, first.records->count());
            if (wanted == 0 || allowance.spent)
                break;
            part.bind(Id(static_cast<long long>(wanted)));
            const auto rows = readFonts(part, {}, bounded);
            // A part that fails would leave a gap in the order: nothing is shown rather than that.
            if (!rows) {
                first.records = nullptr;
                break;
            }
            // Rows of a part cut short are the first of its order: the next part's come after them.
            first.records->addObjectsFromArray(*rows);
        }
    }
    if (!first.records)
        first.records = MutableArray::create();
    first.cutShort = allowance.spent && first.records->count() < count;
    first.complete = !first.cutShort && first.records->count() < count;
    return first;
}

void KXBaseDBManager::makeListIndexes()
{
    if (readOnly_)
        return;
    {
        std::lock_guard lock(backgroundLock_);
        backgroundReads_ += 1;
    }
    // The manager waits for this block before it ends, so the block may use it. Making the index
    // reads the whole table: never on the caller's thread.
    dispatch::globalQueue(dispatch::Priority::Default).async([this] {
        const unsigned long long before = generation();
        bool made = false;
        if (const auto queue = myQueue()) {
            queue->inDatabase([&](const Ref<SQDatabase>& db) {
                made = db->executeUpdate(KXCatalogueStatement::listOrderIndexSql());
                if (!made)
                    log(foundation::format("the catalogue %s has no list index: %@", file_.c_str(), db->lastErrorMessage()));
            });
        }
        // A file that replaced this one meanwhile makes its own index.
        if (made && before == generation())
            listIndexReady_ = true;
        std::lock_guard lock(backgroundLock_);
        backgroundReads_ -= 1;
        backgroundEnded_.notify_all();
    });
}

void KXBaseDBManager::readInBackground(KXCatalogueStatement statement, std::function<bool()> stopped,
    std::function<void(Ref<MutableArray>, unsigned long long)> done)
{
    {
        std::lock_guard lock(backgroundLock_);
        backgroundReads_ += 1;
    }
    // The manager waits for this block before it ends, so the block may use it.
    dispatch::globalQueue(dispatch::Priority::High).async([this, statement = std::move(statement), stopped = std::move(stopped),
                                                              done = std::move(done)] {
        const unsigned long long before = generation();
        Ref<MutableArray> records;
        try {
            records = readFonts(statement, stopped);
        } catch (const std::exception& error) {
            log(foundation::format("the list's rows could not be read: %s", error.what()));
        }
        if (stopped && stopped())
            records = nullptr;
        // A merge or a new file during the read: the records cannot be told apart from the newer
        // contents, so they claim no generation the caller could have seen.
        const unsigned long long after = generation();
        if (done)
            done(records, before == after ? before : kNoGeneration);
        // Told under the lock: the destructor may end the manager as soon as it sees none left.
        std::lock_guard lock(backgroundLock_);
        backgroundReads_ -= 1;
        backgroundEnded_.notify_all();
    });
}

void KXBaseDBManager::waitForBackgroundReads()
{
    std::unique_lock lock(backgroundLock_);
    backgroundEnded_.wait(lock, [this] { return backgroundReads_ == 0; });
}

Ref<MutableArray> KXBaseDBManager::takeReadAhead(const KXCatalogueStatement& statement)
{
    std::optional<ReadAhead> ahead;
    {
        std::lock_guard lock(readAheadLock_);
        ahead.swap(readAhead_);
    }
    if (!ahead)
        return nullptr;
    // The queue runs one block at a time, so the read ahead is over before this caller's own
    // read could start anyway: waiting for it costs nothing, and nothing is left running.
    Ref<MutableArray> records;
    try {
        records = ahead->records.get();
    } catch (const std::exception&) {
        return nullptr; // the read failed: read again
    }
    const bool same = ahead->sql == statement.sql() && statement.arguments().empty();
    // A merge or a new file committed since the read began: read again.
    if (!same || ahead->generation != generation())
        return nullptr;
    return records;
}

Ref<MutableArray> KXBaseDBManager::soringDataBySqlString(const KXCatalogueStatement& statement, KXCatalogueOrder order)
{
    auto& state = KXGlobalDataBase::sharedKXGlobalDataBase();
    if (order == KXCatalogueOrder::Popularity && !state.isEnLanguage()) {
        const auto popular = KXCatalogueStatement::idsOfArray(state.heatTopArray().get());
        if (!popular.empty()) {
            auto fonts = popularFonts(popular);
            if (fonts->count() > 0)
                return fonts;
        }
    }
    return dataArrayBySqlStr(statement);
}

Ref<MutableArray> KXBaseDBManager::popularFonts(const std::vector<long long>& popular)
{
    auto fonts = dataArrayBySqlStr(KXCatalogueStatement::fontsInIdOrder(popular));
    if (fonts->count() == 0)
        return fonts;
    KXCatalogueStatement rest("SELECT * FROM fp_fonts where ");
    rest.append(KXCatalogueStatement::fontidIn(popular, true)).append("  ORDER BY default_sort DESC");
    fonts->addObjectsFromArray(*dataArrayBySqlStr(rest));
    return fonts;
}

Id KXBaseDBManager::fontInfoByFontid(long long fontid)
{
    Ref<String> info = String::empty();
    const bool opened = inCatalogue([&](const Ref<SQDatabase>& db) {
        info = String::empty();
        const Ref<SQResultSet> rows = db->executeQuery("SELECT * FROM fp_fonts where fontid = ?", fontid);
        if (!rows)
            return;
        const int column = KXCatalogueRowReader::columnIndex(*rows, "font_info");
        while (rows->next())
            info = rows->stringForColumnIndex(column);
        rows->close();
    });
    if (!opened || !info)
        return nullptr;
    Ref<foundation::Error> error;
    Id object = foundation::JSONSerialization::JSONObjectWithData(
        foundation::Data::create(std::string_view(info->utf8())), foundation::JSONReadingMutableContainers, &error);
    if (object.isNil())
        log(foundation::format("json解析失败：%@", error));
    return object;
}

Ref<MutableDictionary> KXBaseDBManager::vipInfoByViptype(const Id& vipType)
{
    auto info = MutableDictionary::create();
    // The column holds text: a number given as the type is compared as its decimal text.
    const Id type = vipType.isNil() || vipType.isNull() ? Id() : Id(vipType.stringValue());
    inCatalogue([&](const Ref<SQDatabase>& db) {
        info->removeAllObjects();
        const Ref<SQResultSet> rows = db->executeQuery("SELECT * FROM fp_vip_rule WHERE vip_type = ?", type);
        if (!rows)
            return;
        const int rule = KXCatalogueRowReader::columnIndex(*rows, "rule");
        const int content = KXCatalogueRowReader::columnIndex(*rows, "content");
        while (rows->next()) {
            if (auto text = rows->stringForColumnIndex(rule))
                info->setObject(text, Id("rule"));
            if (auto text = rows->stringForColumnIndex(content))
                info->setObject(text, Id("content"));
        }
        rows->close();
    });
    return info;
}

void KXBaseDBManager::updateDataWithdDatas(const Id& datas, const std::function<void(bool)>& callBack)
{
    if (readOnly_) {
        log(foundation::format("the update is not merged: the installed catalogue %s is read only", file_.c_str()));
        if (callBack)
            callBack(false);
        return;
    }
    bool damaged = false;
    bool merged = KXCatalogueMerge::merge(myQueue(), datas, &damaged);
    // The update was made for the installed catalogue's version, which the fresh copy has again.
    if (damaged && restoreDamagedCopy())
        merged = KXCatalogueMerge::merge(myQueue(), datas);
    if (merged)
        generation_ += 1;
    if (callBack)
        callBack(merged);
}

bool KXBaseDBManager::updateDataWithFontsText(
    const std::filesystem::path& text, std::string* problem, bool* broken)
{
    *broken = false;
    if (readOnly_) {
        *problem = "the installed catalogue " + file_.string() + " is read only";
        return false;
    }
    bool damaged = false;
    std::string why;
    bool merged = false;
    {
        KXCatalogueRowStream rows(text);
        merged = KXCatalogueMerge::merge(myQueue(), rows, &why, broken, &damaged);
    }
    // The update was made for the installed catalogue's version, which the fresh copy has again.
    if (damaged && restoreDamagedCopy()) {
        KXCatalogueRowStream rows(text);
        why.clear();
        merged = KXCatalogueMerge::merge(myQueue(), rows, &why, broken);
    }
    if (merged)
        generation_ += 1;
    else
        *problem = why.empty() ? "the merge was rolled back" : "fonts.txt " + why;
    return merged;
}

std::shared_ptr<const KXSuggestionIndex> KXBaseDBManager::suggestionIndex()
{
    // The generation first: the index must not claim a newer catalogue than the one it read.
    KXSuggestionSource source;
    source.generation = generation();
    source.queue = myQueue();
    auto index = suggestionIndexCache_->current(source);
    if (!index->readDamaged() || !restoreDamagedCopy())
        return index;
    source.generation = generation();
    source.queue = myQueue();
    return suggestionIndexCache_->current(source);
}

void KXBaseDBManager::close()
{
    if (const auto queue = myQueue())
        queue->close();
}

bool KXBaseDBManager::replaceCatalogueWithFile(const std::filesystem::path& replacement, Ref<foundation::Error>* error)
{
    if (readOnly_) {
        if (error)
            *error = foundation::Error::create("KXBaseDBManager", 2, "the installed catalogue is read only");
        return false;
    }
    // Checked before anything is touched: a refused file leaves the catalogue as it was.
    if (const std::string defect = KXCatalogueFile::catalogueDefect(replacement); !defect.empty()) {
        kxcatalogue::log(foundation::format("refused the catalogue %s: it %@", replacement.c_str(), defect));
        if (error)
            *error = foundation::Error::create("KXBaseDBManager", 1, "the replacement is not a font catalogue: it " + defect);
        return false;
    }
    const auto queue = myQueue();
    if (!queue) {
        if (!KXCatalogueFile::moveIntoPlace(replacement, file_, error))
            return false;
        listIndexReady_ = false;
        generation_ += 1;
        const bool opened = openQueue();
        if (opened)
            makeListIndexes();
        return opened;
    }
    // Inside one block of the queue no statement can run, and the connection stays closed from
    // before the move until the next block opens the new file.
    bool moved = false;
    queue->inDatabase([&](const Ref<SQDatabase>& db) {
        db->close();
        moved = KXCatalogueFile::moveIntoPlace(replacement, file_, error);
        if (moved) {
            listIndexReady_ = false;
            generation_ += 1;
        }
    });
    // The new file comes without the client's index.
    if (moved)
        makeListIndexes();
    return moved;
}
