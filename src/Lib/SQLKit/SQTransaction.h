#pragma once

#include "Platform/Foundation/Error.h"
#include "Platform/Foundation/Object.h"

#include <functional>
#include <string_view>

class SQDatabase;

// The kind of transaction a queue or pool opens for a block.
enum class SQTransactionKind {
    Exclusive = 0,
    Deferred = 1,
    Immediate = 2,
};

using SQDatabaseBlock = std::function<void(const foundation::Ref<SQDatabase>& db)>;
using SQTransactionBlock = std::function<void(const foundation::Ref<SQDatabase>& db, bool& rollback)>;

// Runs `block` inside a transaction of `kind` on `db` (on the caller's thread; the queue and the
// pool call it where the connection belongs). The block does not run when BEGIN fails. Returns
// true when the transaction committed; false when BEGIN failed, the block asked for a rollback,
// or COMMIT failed, in which case the transaction is rolled back so the old data stays. `error`
// receives the failure of BEGIN or COMMIT.
bool SQRunTransaction(const foundation::Ref<SQDatabase>& db, SQTransactionKind kind, const SQTransactionBlock& block,
    foundation::Ref<foundation::Error>* error);

// Runs `block` inside the savepoint `name`: start, the block, the optional rollback to it, release.
// The block does not run when the savepoint cannot start. Returns the last failure or nil.
foundation::Ref<foundation::Error> SQRunSavePoint(
    const foundation::Ref<SQDatabase>& db, std::string_view name, const SQTransactionBlock& block);
