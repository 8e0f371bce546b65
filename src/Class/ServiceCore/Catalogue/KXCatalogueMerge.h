#pragma once

#include "Platform/Foundation/Object.h"

#include <array>
#include <cstddef>
#include <memory>
#include <string>

class KXCatalogueRowStream;
class SQDatabaseQueue;

// The merge of a partial catalogue update into fp_fonts: for each row dictionary, an UPDATE of
// every fp_fonts row with its fontid when one exists, else an INSERT. All rows go in one
// transaction on the catalogue's queue, through three statements prepared once and bound for
// each row. A key missing from a row (or a null) stores NULL. Rows without an integer fontid are
// skipped and counted: one log line per kind of problem with its count, not one per row.
//
// Thread-safety: merge() may be called from any thread; it runs on the queue and waits.
class KXCatalogueMerge {
public:
    // The merged columns, in the order of the statements' values (fontid follows them).
    static constexpr std::array<const char*, 21> kColumns = {"fontname", "image", "night_image", "download_url",
        "time", "heat", "ps_name", "font_weight", "type", "language", "tags", "show_img", "codeid", "default_sort",
        "partner_id", "ser_name_take", "m_made_time", "font_en_name", "new_image", "is_sell", "has_info"};

    // True when every row was merged (rows without an integer fontid are skipped and logged) and
    // the transaction committed; false, with nothing changed, when a statement failed, the queue
    // is nil or `rows` is not an array. nil and an empty array merge nothing and answer true.
    // `damaged`: whether the merge failed because SQLite found the file damaged.
    static bool merge(const std::shared_ptr<SQDatabaseQueue>& queue, const foundation::Id& rows, bool* damaged = nullptr);

    // Rows taken at a time from a stream: what a merge holds at once, whatever the text holds.
    static constexpr std::size_t kBatchRows = 1024;
    // The rows of a stream, read and merged kBatchRows at a time inside the one transaction: a
    // stream that ends malformed or unreadable rolls back all it merged, and `problem` says why
    // (`broken` is then true for a malformed text, which reading again cannot mend). An empty
    // array merges nothing and answers true. `damaged` as above.
    static bool merge(const std::shared_ptr<SQDatabaseQueue>& queue, KXCatalogueRowStream& rows,
        std::string* problem, bool* broken = nullptr, bool* damaged = nullptr);
};
