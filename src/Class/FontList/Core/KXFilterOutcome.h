#pragma once

#include "Platform/Foundation/Array.h"
#include "Platform/Foundation/Dictionary.h"

#include <functional>

// What a filter choice does to the font list, without the list: the tags of the filter pages
// (category name -> tag ids) either find rows, find none (the list then shows the no-result view
// over the whole catalogue in default order, offered as suggestions) or, when empty, clear the
// filter (the list reloads the catalogue itself). A query whose first rows were none but whose
// rows are still being read is pending: the list shows no rows, and no no-result view, until the
// rest of the read tells which it is. Where the table starts follows from it.
// Any thread; the queries run where apply() is called.
struct KXFilterOutcome {
    enum class Kind { Rows, NoResult, Cleared, Pending };

    // The no-result view: 150 high, 170 from the panel's top, full width.
    static constexpr double kNoResultTop = 170;
    static constexpr double kNoResultHeight = 150;
    // The table's top while no no-result view shows (a filter moves it there from its start).
    static constexpr double kTableTop = 82;

    using Query = std::function<foundation::Ref<foundation::MutableArray>(
        const foundation::Ref<foundation::MutableDictionary>& tags)>;
    using Suggestions = std::function<foundation::Ref<foundation::MutableArray>()>;

    Kind kind = Kind::Cleared;
    // The rows to show: the matches, or the suggestions; nil when cleared.
    foundation::Ref<foundation::MutableArray> rows;
    // The table's top edge in the panel: right under the no-result view while it shows.
    double tableTop = kTableTop;

    // Runs `query` on a mutable copy of non-empty tags (the query may take entries out of it) and
    // `suggestions` when the query finds nothing. Nil tags clear like empty ones. `rowsToCome`
    // answers, right after a query that gave no rows, whether more of its rows are on their way.
    static KXFilterOutcome apply(const foundation::Ref<foundation::Dictionary>& tags, const Query& query,
        const Suggestions& suggestions, const std::function<bool()>& rowsToCome = {});
    // No result: the suggestions under the no-result view (also what a pending query turns into
    // once its rest brought no rows).
    static KXFilterOutcome noResult(const Suggestions& suggestions);
};
