#include "Class/FontList/Core/KXFilterOutcome.h"

KXFilterOutcome KXFilterOutcome::noResult(const Suggestions& suggestions)
{
    KXFilterOutcome outcome;
    outcome.kind = Kind::NoResult;
    outcome.rows = suggestions ? suggestions() : nullptr;
    outcome.tableTop = kNoResultTop + kNoResultHeight;
    return outcome;
}

KXFilterOutcome KXFilterOutcome::apply(const foundation::Ref<foundation::Dictionary>& tags, const Query& query,
    const Suggestions& suggestions, const std::function<bool()>& rowsToCome)
{
    KXFilterOutcome outcome;
    if (!tags || tags->count() == 0)
        return outcome;
    auto copy = foundation::MutableDictionary::dictionaryWithDictionary(*tags);
    outcome.rows = query ? query(copy) : nullptr;
    if (outcome.rows && outcome.rows->count() > 0) {
        outcome.kind = Kind::Rows;
        return outcome;
    }
    if (outcome.rows && rowsToCome && rowsToCome()) {
        outcome.kind = Kind::Pending;
        return outcome;
    }
    return noResult(suggestions);
}
