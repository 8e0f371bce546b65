#include "Lib/SQLKit/SQDatabaseQueue.h"

#include "Lib/SQLKit/SQLog.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>

using foundation::Error;
using foundation::Id;
using foundation::Ref;
using foundation::String;

namespace {
// Each queue stores itself under this key as its serial queue's specific data.
const char SQDatabaseQueueReentryKey = 0;

Ref<SQDatabase> makeDatabase(const foundation::Class* cls, const Ref<String>& path)
{
    Ref<SQDatabase> db = cls ? std::dynamic_pointer_cast<SQDatabase>(cls->createInstance()) : nullptr;
    if (!db)
        db = std::make_shared<SQDatabase>();
    db->initWithPath(path ? Id(path) : Id());
    return db;
}
} // namespace

const foundation::Class* SQDatabaseQueue::classObject()
{
    static const foundation::Class* cls = &foundation::Class::define("SQDatabaseQueue", foundation::Object::classObject());
    return cls;
}

const foundation::Class* SQDatabaseQueue::isa() const
{
    return classObject();
}

const foundation::Class* SQDatabaseQueue::databaseClass() const
{
    return SQDatabase::classObject();
}

Ref<SQDatabaseQueue> SQDatabaseQueue::databaseQueueWithPath(const Id& path, int flags, const Id& vfsName)
{
    auto queue = std::make_shared<SQDatabaseQueue>();
    if (!queue->initWithPath(path, flags, vfsName))
        return nullptr;
    return queue;
}

Ref<SQDatabaseQueue> SQDatabaseQueue::databaseQueueWithURL(const Id& url, int flags, const Id& vfsName)
{
    const Ref<SQDatabase> probe = SQDatabase::databaseWithURL(url);
    return databaseQueueWithPath(probe->databasePath() ? Id(probe->databasePath()) : Id(), flags, vfsName);
}

bool SQDatabaseQueue::initWithPath(const Id& path, int flags, const Id& vfsName)
{
    const Ref<String> pathText = path.isNil() ? nullptr : String::create(path.stringValue());
    Ref<SQDatabase> db = makeDatabase(databaseClass(), pathText);
    if (!db->openWithFlags(flags, vfsName)) {
        SQLog("Could not create database queue for path %@", pathText);
        return false;
    }
    db_.set(std::move(db));
    path_.set(pathText);
    setVfsName(vfsName);
    queue_ = dispatch::makeSerialQueue(foundation::format("sqlkit.%@", description()));
    queue_->setSpecific(&SQDatabaseQueueReentryKey, this);
    openFlags_ = flags;
    return true;
}

SQDatabaseQueue::~SQDatabaseQueue()
{
    if (queue_)
        queue_->setSpecific(&SQDatabaseQueueReentryKey, nullptr);
}

void SQDatabaseQueue::checkNotOnQueue(const char* method) const
{
    // The innermost queue's key, and also any queue further out whose block waits on a `sync` to
    // another queue (A -> B -> A would wait for itself just the same).
    if (dispatch::Queue::currentSpecific(&SQDatabaseQueueReentryKey) == this || (queue_ && queue_->isCurrent())) {
        std::fprintf(stderr,
            "Assertion failed: (currentSyncQueue != self && \"%s was called reentrantly on the same queue, which would lead to a "
            "deadlock\")\n",
            method);
        std::fflush(stderr);
        std::abort();
    }
}

void SQDatabaseQueue::runSync(const char* method, const std::function<void()>& work)
{
    checkNotOnQueue(method);
    queue_->sync(work);
}

Ref<SQDatabase> SQDatabaseQueue::database()
{
    Ref<SQDatabase> db = db_.get();
    if (db && db->isOpen())
        return db;
    if (!db) {
        db = makeDatabase(databaseClass(), path());
        db_.set(db);
    }
    if (!db->openWithFlags(openFlags_, vfsName())) {
        SQLog("SQDatabaseQueue could not reopen database for path %@", path());
        db->close();
        db_.set(nullptr);
        // The block still gets an object: a closed connection, whose calls log and fail.
    }
    return db;
}

void SQDatabaseQueue::inDatabase(const SQDatabaseBlock& block)
{
    runSync("inDatabase:", [&] {
        const Ref<SQDatabase> db = database();
        if (block)
            block(db);
        if (db->hasOpenResultSets())
            SQLog("Warning: there is at least one open result set around after performing [SQDatabaseQueue inDatabase:]");
    });
}

bool SQDatabaseQueue::beginTransaction(SQTransactionKind kind, const SQTransactionBlock& block, Ref<Error>* error)
{
    bool committed = false;
    runSync("beginTransaction:withBlock:", [&] { committed = SQRunTransaction(database(), kind, block, error); });
    return committed;
}

bool SQDatabaseQueue::inTransaction(const SQTransactionBlock& block, Ref<Error>* error)
{
    return beginTransaction(SQTransactionKind::Exclusive, block, error);
}

bool SQDatabaseQueue::inExclusiveTransaction(const SQTransactionBlock& block, Ref<Error>* error)
{
    return beginTransaction(SQTransactionKind::Exclusive, block, error);
}

bool SQDatabaseQueue::inDeferredTransaction(const SQTransactionBlock& block, Ref<Error>* error)
{
    return beginTransaction(SQTransactionKind::Deferred, block, error);
}

bool SQDatabaseQueue::inImmediateTransaction(const SQTransactionBlock& block, Ref<Error>* error)
{
    return beginTransaction(SQTransactionKind::Immediate, block, error);
}

Ref<Error> SQDatabaseQueue::inSavePoint(const SQTransactionBlock& block)
{
    static std::atomic<long> savePointIndex{0};
    Ref<Error> error;
    runSync("inSavePoint:", [&] {
        const std::string name = foundation::format("savePoint%ld", savePointIndex++);
        error = SQRunSavePoint(database(), name, block);
    });
    return error;
}

bool SQDatabaseQueue::checkpoint(int mode, const Id& name, int* logFrameCount, int* checkpointCount, Ref<Error>* error)
{
    bool result = false;
    runSync("checkpoint:", [&] {
        Ref<Error> failure;
        result = database()->checkpoint(mode, name, logFrameCount, checkpointCount, &failure);
        if (error)
            *error = failure;
    });
    return result;
}

void SQDatabaseQueue::close()
{
    runSync("close", [&] {
        const Ref<SQDatabase> db = db_.get();
        db_.set(nullptr);
        if (db)
            db->close();
    });
}

bool SQDatabaseQueue::interrupt()
{
    // Not through the serial queue: this is how another thread stops the statement a block runs.
    const Ref<SQDatabase> db = db_.get();
    return db && db->interrupt();
}

Ref<String> SQDatabaseQueue::path() const
{
    return path_.get();
}

void SQDatabaseQueue::setPath(Ref<String> path)
{
    path_.set(std::move(path));
}

Ref<String> SQDatabaseQueue::vfsName() const
{
    return vfsName_.get();
}

void SQDatabaseQueue::setVfsName(const Id& vfsName)
{
    vfsName_.set(vfsName.isNil() ? nullptr : String::create(vfsName.stringValue()));
}
