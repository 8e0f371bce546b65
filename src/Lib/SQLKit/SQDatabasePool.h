#pragma once

#include "Lib/SQLKit/SQDatabase.h"
#include "Lib/SQLKit/SQTransaction.h"
#include "Platform/Foundation/Object.h"
#include "Platform/Foundation/String.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

class SQDatabasePool;

// Optional delegate methods; an empty function means the delegate does not answer it. Both run
// with the pool's lock held, so they must not call back into the same pool.
struct SQDatabasePoolDelegate {
    virtual ~SQDatabasePoolDelegate() = default;
    // false: the connection is closed and not handed out.
    std::function<bool(SQDatabasePool& pool, const foundation::Ref<SQDatabase>& db)> databasePoolShouldAddDatabaseToPool;
    std::function<void(SQDatabasePool& pool, const foundation::Ref<SQDatabase>& db)> databasePoolDidAddDatabase;
};

// Several connections to one database, so that several threads can work on it at once, each with
// a connection of its own for the length of a block. Idle connections are reused; new ones are
// opened on demand up to an optional maximum. The two lists are guarded by one mutex; the
// connections themselves are used on the caller's thread outside it. All members are thread-safe.
class SQDatabasePool : public foundation::Object {
public:
    static const foundation::Class* classObject();
    const foundation::Class* isa() const override;

    static foundation::Ref<SQDatabasePool> databasePoolWithPath(
        const foundation::Id& path, int flags = SQDefaultOpenFlags, const foundation::Id& vfsName = nullptr);
    static foundation::Ref<SQDatabasePool> databasePoolWithURL(
        const foundation::Id& url, int flags = SQDefaultOpenFlags, const foundation::Id& vfsName = nullptr);
    static foundation::Ref<SQDatabasePool> create() { return databasePoolWithPath(nullptr); }

    SQDatabasePool() = default;
    ~SQDatabasePool() override = default;
    SQDatabasePool(const SQDatabasePool&) = delete;
    SQDatabasePool& operator=(const SQDatabasePool&) = delete;

    // The designated initialiser; opens nothing.
    void initWithPath(const foundation::Id& path, int flags, const foundation::Id& vfsName);
    virtual const foundation::Class* databaseClass() const;

    // The block gets nil when no connection can be had (maximum reached, open failure, veto).
    void inDatabase(const SQDatabaseBlock& block);
    // True when the transaction committed; the block does not run without a connection or when
    // BEGIN fails; a failed COMMIT is rolled back and reported through `error`.
    bool inTransaction(const SQTransactionBlock& block, foundation::Ref<foundation::Error>* error = nullptr);
    bool inExclusiveTransaction(const SQTransactionBlock& block, foundation::Ref<foundation::Error>* error = nullptr);
    bool inDeferredTransaction(const SQTransactionBlock& block, foundation::Ref<foundation::Error>* error = nullptr);
    bool inImmediateTransaction(const SQTransactionBlock& block, foundation::Ref<foundation::Error>* error = nullptr);
    bool beginTransaction(SQTransactionKind kind, const SQTransactionBlock& block, foundation::Ref<foundation::Error>* error = nullptr);
    foundation::Ref<foundation::Error> inSavePoint(const SQTransactionBlock& block);
    void releaseAllDatabases();

    void executeLocked(const std::function<void()>& block);
    // Checks a connection out; nil on failure.
    foundation::Ref<SQDatabase> db();
    // Raises "Database already in pool" when the connection is idle already.
    void pushDatabaseBackInPool(const foundation::Ref<SQDatabase>& db);

    std::size_t countOfCheckedInDatabases();
    std::size_t countOfCheckedOutDatabases();
    std::size_t countOfOpenDatabases();

    foundation::Ref<foundation::String> path() const;
    void setPath(const foundation::Id& path);
    foundation::Ref<foundation::String> vfsName() const;
    void setVfsName(const foundation::Id& vfsName);
    int openFlags() const { return openFlags_; }
    std::shared_ptr<SQDatabasePoolDelegate> delegate() const;
    void setDelegate(const std::shared_ptr<SQDatabasePoolDelegate>& delegate);
    std::uint64_t maximumNumberOfDatabasesToCreate() const;
    void setMaximumNumberOfDatabasesToCreate(std::uint64_t maximum);

private:
    mutable std::mutex lock_; // the lists; also guards the properties below
    std::vector<foundation::Ref<SQDatabase>> databaseInPool_;
    std::vector<foundation::Ref<SQDatabase>> databaseOutPool_;
    int openFlags_ = SQDefaultOpenFlags;
    foundation::Ref<foundation::String> path_;
    std::weak_ptr<SQDatabasePoolDelegate> delegate_;
    std::uint64_t maximumNumberOfDatabasesToCreate_ = 0;
    foundation::Ref<foundation::String> vfsName_;
};
