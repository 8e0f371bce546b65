#pragma once

#include "Lib/SQLKit/SQDatabase.h"
#include "Lib/SQLKit/SQTransaction.h"
#include "Platform/Dispatch/Queue.h"
#include "Platform/Foundation/Atomic.h"
#include "Platform/Foundation/Object.h"
#include "Platform/Foundation/String.h"

// Makes one connection safe to use from any thread: every block runs on one private serial queue,
// synchronously for the caller, with the connection plain (inDatabase), inside a transaction or
// inside a savepoint. The connection opens at creation and reopens on the next use after close().
//
// Calling a synchronous method of a queue from a block running on that same queue would wait for
// itself for ever; the process stops instead. interrupt() is the one call meant for another thread
// while a block runs. All members are thread-safe.
class SQDatabaseQueue : public foundation::Object {
public:
    static const foundation::Class* classObject();
    const foundation::Class* isa() const override;

    // nil (and a log line) when the database cannot be opened.
    static foundation::Ref<SQDatabaseQueue> databaseQueueWithPath(
        const foundation::Id& path, int flags = SQDefaultOpenFlags, const foundation::Id& vfsName = nullptr);
    static foundation::Ref<SQDatabaseQueue> databaseQueueWithURL(
        const foundation::Id& url, int flags = SQDefaultOpenFlags, const foundation::Id& vfsName = nullptr);
    // A queue on a private in-memory database.
    static foundation::Ref<SQDatabaseQueue> create() { return databaseQueueWithPath(nullptr); }

    SQDatabaseQueue() = default;
    ~SQDatabaseQueue() override;
    SQDatabaseQueue(const SQDatabaseQueue&) = delete;
    SQDatabaseQueue& operator=(const SQDatabaseQueue&) = delete;

    // The designated initialiser, for subclasses made with make_shared: opens the database; false
    // (and a log line) when it cannot.
    bool initWithPath(const foundation::Id& path, int flags, const foundation::Id& vfsName);

    // The class of the connections this queue makes; a subclass may answer a subclass of SQDatabase.
    virtual const foundation::Class* databaseClass() const;

    void inDatabase(const SQDatabaseBlock& block);
    // True when the transaction committed. The block does not run when BEGIN fails; a failed
    // COMMIT is rolled back and reported through `error`.
    bool inTransaction(const SQTransactionBlock& block, foundation::Ref<foundation::Error>* error = nullptr);
    bool inExclusiveTransaction(const SQTransactionBlock& block, foundation::Ref<foundation::Error>* error = nullptr);
    bool inDeferredTransaction(const SQTransactionBlock& block, foundation::Ref<foundation::Error>* error = nullptr);
    bool inImmediateTransaction(const SQTransactionBlock& block, foundation::Ref<foundation::Error>* error = nullptr);
    bool beginTransaction(SQTransactionKind kind, const SQTransactionBlock& block, foundation::Ref<foundation::Error>* error = nullptr);
    foundation::Ref<foundation::Error> inSavePoint(const SQTransactionBlock& block);
    bool checkpoint(int mode, const foundation::Id& name = nullptr, int* logFrameCount = nullptr, int* checkpointCount = nullptr,
        foundation::Ref<foundation::Error>* error = nullptr);

    void close();
    bool interrupt();

    // The connection, opened if needed. When it cannot be reopened this is a closed connection
    // whose calls fail with "The SQDatabase ... is not open.", never nil. Use it on the queue.
    foundation::Ref<SQDatabase> database();

    foundation::Ref<foundation::String> path() const;
    void setPath(foundation::Ref<foundation::String> path);
    foundation::Ref<foundation::String> vfsName() const;
    void setVfsName(const foundation::Id& vfsName);
    int openFlags() const { return openFlags_; }

private:
    // Stops the process when the caller runs on this queue already.
    void checkNotOnQueue(const char* method) const;
    void runSync(const char* method, const std::function<void()>& work);

    dispatch::QueueRef queue_;
    foundation::Atomic<foundation::Ref<SQDatabase>> db_; // interrupt() reads it from any thread
    int openFlags_ = SQDefaultOpenFlags;
    foundation::Atomic<foundation::Ref<foundation::String>> path_;
    foundation::Atomic<foundation::Ref<foundation::String>> vfsName_;
};
