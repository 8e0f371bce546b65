#include "Lib/SQLKit/SQTransaction.h"

#include "Lib/SQLKit/SQDatabase.h"
#include "Lib/SQLKit/SQLog.h"

using foundation::Error;
using foundation::Ref;

namespace {
Ref<Error> noDatabaseError()
{
    return Error::create(SQDatabaseErrorDomain, 21, "No database connection is available");
}
} // namespace

bool SQRunTransaction(const Ref<SQDatabase>& db, SQTransactionKind kind, const SQTransactionBlock& block, Ref<Error>* error)
{
    if (!db) {
        if (error)
            *error = noDatabaseError();
        return false;
    }
    bool began = true;
    switch (kind) {
    case SQTransactionKind::Exclusive:
        began = db->beginTransaction();
        break;
    case SQTransactionKind::Deferred:
        began = db->beginDeferredTransaction();
        break;
    case SQTransactionKind::Immediate:
        began = db->beginImmediateTransaction();
        break;
    }
    if (!began) {
        // Without a transaction the block's changes could not be rolled back: do not run it.
        if (error)
            *error = db->isOpen() ? db->lastError() : noDatabaseError();
        return false;
    }
    bool shouldRollback = false;
    if (block)
        block(db, shouldRollback);
    if (shouldRollback) {
        db->rollback();
        return false;
    }
    if (db->commit())
        return true;
    // A failed COMMIT leaves the transaction open; end it so none of its changes stay half-kept.
    const Ref<Error> commitError = db->lastError();
    SQLog("Commit failed (%@); the transaction was rolled back", commitError->localizedDescription());
    db->rollback();
    if (error)
        *error = commitError;
    return false;
}

Ref<Error> SQRunSavePoint(const Ref<SQDatabase>& db, std::string_view name, const SQTransactionBlock& block)
{
    if (!db)
        return noDatabaseError();
    Ref<Error> error;
    if (!db->startSavePointWithName(name, &error))
        return error;
    bool shouldRollback = false;
    if (block)
        block(db, shouldRollback);
    Ref<Error> stepError;
    if (shouldRollback && !db->rollbackToSavePointWithName(name, &stepError))
        error = stepError;
    if (!db->releaseSavePointWithName(name, &stepError))
        error = stepError;
    return error;
}
