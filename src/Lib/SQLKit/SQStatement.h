#pragma once

#include "Platform/Foundation/Atomic.h"
#include "Platform/Foundation/Object.h"
#include "Platform/Foundation/String.h"

struct sqlite3_stmt;

// One prepared statement with the SQL it came from. The connection creates it, may keep it in its
// statement cache, and lends it to one result set or one update at a time (`inUse`).
// Not thread-safe: it belongs to its connection's queue.
class SQStatement : public foundation::Object {
public:
    static const foundation::Class* classObject();
    const foundation::Class* isa() const override;

    SQStatement() = default;
    ~SQStatement() override;
    SQStatement(const SQStatement&) = delete;
    SQStatement& operator=(const SQStatement&) = delete;

    // Finalizes the statement; the object keeps nothing afterwards.
    void close();
    // Rewinds the statement for the next use; bound values stay.
    void reset();

    // "<SQStatement: 0x...> 3 hit(s) for query SELECT ..."
    std::string description() const override;

    sqlite3_stmt* statement() const { return statement_; }
    void setStatement(sqlite3_stmt* statement) { statement_ = statement; }
    foundation::Ref<foundation::String> query() const;
    void setQuery(foundation::Ref<foundation::String> query);
    long long useCount() const { return useCount_; }
    void setUseCount(long long useCount) { useCount_ = useCount; }
    bool inUse() const { return inUse_; }
    void setInUse(bool inUse) { inUse_ = inUse; }

private:
    sqlite3_stmt* statement_ = nullptr;
    foundation::Atomic<foundation::Ref<foundation::String>> query_; // an atomic property
    long long useCount_ = 0;
    bool inUse_ = false;
};
