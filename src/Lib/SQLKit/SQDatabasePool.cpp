#include "Lib/SQLKit/SQDatabasePool.h"

#include "Lib/SQLKit/SQLog.h"
#include "Platform/Foundation/Misuse.h"

#include <algorithm>
#include <atomic>

using foundation::Error;
using foundation::Id;
using foundation::Ref;
using foundation::String;

const foundation::Class* SQDatabasePool::classObject()
{
    static const foundation::Class* cls = &foundation::Class::define("SQDatabasePool", foundation::Object::classObject());
    return cls;
}

const foundation::Class* SQDatabasePool::isa() const
{
    return classObject();
}

const foundation::Class* SQDatabasePool::databaseClass() const
{
    return SQDatabase::classObject();
}

Ref<SQDatabasePool> SQDatabasePool::databasePoolWithPath(const Id& path, int flags, const Id& vfsName)
{
    auto pool = std::make_shared<SQDatabasePool>();
    pool->initWithPath(path, flags, vfsName);
    return pool;
}

Ref<SQDatabasePool> SQDatabasePool::databasePoolWithURL(const Id& url, int flags, const Id& vfsName)
{
    const Ref<SQDatabase> probe = SQDatabase::databaseWithURL(url);
    return databasePoolWithPath(probe->databasePath() ? Id(probe->databasePath()) : Id(), flags, vfsName);
}

void SQDatabasePool::initWithPath(const Id& path, int flags, const Id& vfsName)
{
    std::lock_guard lock(lock_);
    path_ = path.isNil() ? nullptr : String::create(path.stringValue());
    openFlags_ = flags;
    vfsName_ = vfsName.isNil() ? nullptr : String::create(vfsName.stringValue());
}

void SQDatabasePool::executeLocked(const std::function<void()>& block)
{
    std::lock_guard lock(lock_);
    block();
}

namespace {
bool contains(const std::vector<Ref<SQDatabase>>& list, const Ref<SQDatabase>& db)
{
    return std::find(list.begin(), list.end(), db) != list.end();
}
void removeFrom(std::vector<Ref<SQDatabase>>& list, const Ref<SQDatabase>& db)
{
    list.erase(std::remove(list.begin(), list.end(), db), list.end());
}
} // namespace

Ref<SQDatabase> SQDatabasePool::db()
{
    Ref<SQDatabase> result;
    executeLocked([&] {
        bool isNew = false;
        Ref<SQDatabase> candidate;
        if (!databaseInPool_.empty()) {
            candidate = databaseInPool_.back();
            databaseOutPool_.push_back(candidate);
            databaseInPool_.pop_back();
        } else {
            const std::uint64_t current = databaseInPool_.size() + databaseOutPool_.size();
            if (maximumNumberOfDatabasesToCreate_ != 0 && current >= maximumNumberOfDatabasesToCreate_) {
                SQLog("Maximum number of databases (%ld) has already been reached!", static_cast<long>(current));
                return;
            }
            Ref<SQDatabase> made = std::dynamic_pointer_cast<SQDatabase>(databaseClass()->createInstance());
            if (!made)
                made = std::make_shared<SQDatabase>();
            made->initWithPath(path_ ? Id(path_) : Id());
            candidate = made;
            isNew = true;
        }
        if (!candidate->openWithFlags(openFlags_, vfsName_ ? Id(vfsName_) : Id())) {
            SQLog("Could not open up the database at path %@", path_);
            return;
        }
        const std::shared_ptr<SQDatabasePoolDelegate> delegate = delegate_.lock();
        if (delegate && delegate->databasePoolShouldAddDatabaseToPool
            && !delegate->databasePoolShouldAddDatabaseToPool(*this, candidate)) {
            candidate->close();
            return;
        }
        if (!contains(databaseOutPool_, candidate)) {
            databaseOutPool_.push_back(candidate);
            if (isNew && delegate && delegate->databasePoolDidAddDatabase)
                delegate->databasePoolDidAddDatabase(*this, candidate);
        }
        result = candidate;
    });
    return result;
}

void SQDatabasePool::pushDatabaseBackInPool(const Ref<SQDatabase>& db)
{
    if (!db)
        return;
    bool alreadyIdle = false;
    executeLocked([&] {
        if (contains(databaseInPool_, db)) {
            alreadyIdle = true;
            return;
        }
        databaseInPool_.push_back(db);
        removeFrom(databaseOutPool_, db);
    });
    // Raised outside the lock, so a guard that answers instead leaves the pool usable.
    if (alreadyIdle)
        foundation::misuse("Database already in pool", "The SQDatabase being put back into the pool is already present in the pool",
                           foundation::MisuseDefault::Ignore);
}

void SQDatabasePool::inDatabase(const SQDatabaseBlock& block)
{
    const Ref<SQDatabase> db = this->db();
    if (block)
        block(db);
    pushDatabaseBackInPool(db);
}

bool SQDatabasePool::beginTransaction(SQTransactionKind kind, const SQTransactionBlock& block, Ref<Error>* error)
{
    const Ref<SQDatabase> db = this->db();
    const bool committed = SQRunTransaction(db, kind, block, error);
    pushDatabaseBackInPool(db);
    return committed;
}

bool SQDatabasePool::inTransaction(const SQTransactionBlock& block, Ref<Error>* error)
{
    return beginTransaction(SQTransactionKind::Exclusive, block, error);
}

bool SQDatabasePool::inExclusiveTransaction(const SQTransactionBlock& block, Ref<Error>* error)
{
    return beginTransaction(SQTransactionKind::Exclusive, block, error);
}

bool SQDatabasePool::inDeferredTransaction(const SQTransactionBlock& block, Ref<Error>* error)
{
    return beginTransaction(SQTransactionKind::Deferred, block, error);
}

bool SQDatabasePool::inImmediateTransaction(const SQTransactionBlock& block, Ref<Error>* error)
{
    return beginTransaction(SQTransactionKind::Immediate, block, error);
}

Ref<Error> SQDatabasePool::inSavePoint(const SQTransactionBlock& block)
{
    static std::atomic<long> savePointIndex{0};
    const std::string name = foundation::format("savePoint%ld", savePointIndex++);
    const Ref<SQDatabase> db = this->db();
    Ref<Error> error = SQRunSavePoint(db, name, block);
    pushDatabaseBackInPool(db);
    return error;
}

void SQDatabasePool::releaseAllDatabases()
{
    executeLocked([&] {
        databaseOutPool_.clear();
        databaseInPool_.clear();
    });
}

std::size_t SQDatabasePool::countOfCheckedInDatabases()
{
    std::lock_guard lock(lock_);
    return databaseInPool_.size();
}

std::size_t SQDatabasePool::countOfCheckedOutDatabases()
{
    std::lock_guard lock(lock_);
    return databaseOutPool_.size();
}

std::size_t SQDatabasePool::countOfOpenDatabases()
{
    std::lock_guard lock(lock_);
    return databaseInPool_.size() + databaseOutPool_.size();
}

Ref<String> SQDatabasePool::path() const
{
    std::lock_guard lock(lock_);
    return path_;
}

void SQDatabasePool::setPath(const Id& path)
{
    std::lock_guard lock(lock_);
    path_ = path.isNil() ? nullptr : String::create(path.stringValue());
}

Ref<String> SQDatabasePool::vfsName() const
{
    std::lock_guard lock(lock_);
    return vfsName_;
}

void SQDatabasePool::setVfsName(const Id& vfsName)
{
    std::lock_guard lock(lock_);
    vfsName_ = vfsName.isNil() ? nullptr : String::create(vfsName.stringValue());
}

std::shared_ptr<SQDatabasePoolDelegate> SQDatabasePool::delegate() const
{
    std::lock_guard lock(lock_);
    return delegate_.lock();
}

void SQDatabasePool::setDelegate(const std::shared_ptr<SQDatabasePoolDelegate>& delegate)
{
    std::lock_guard lock(lock_);
    delegate_ = delegate;
}

std::uint64_t SQDatabasePool::maximumNumberOfDatabasesToCreate() const
{
    std::lock_guard lock(lock_);
    return maximumNumberOfDatabasesToCreate_;
}

void SQDatabasePool::setMaximumNumberOfDatabasesToCreate(std::uint64_t maximum)
{
    std::lock_guard lock(lock_);
    maximumNumberOfDatabasesToCreate_ = maximum;
}
