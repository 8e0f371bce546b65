#pragma once

#include "Class/ServiceCore/Catalogue/KXSuggestionIndex.h"
#include "Platform/Foundation/Array.h"

#include <cstddef>
#include <string_view>

class KXBaseDBManager;

// Search suggestions and id lists, read from the catalogue. Texts are matched literally: "%" and
// "_" in a search text are characters, not wildcards. Holds no state of its own.
//
// Thread-safety: as the manager's operations; the pages call it on the main thread.
class KXSearchData {
public:
    // Reads through the shared catalogue manager, or through `manager` (tools, tests, benchmarks).
    KXSearchData();
    explicit KXSearchData(KXBaseDBManager& manager);

    // The fonts whose name contains the text; an empty text matches every font.
    foundation::Ref<foundation::MutableArray> searchDataByKeyword(std::string_view text) const;
    // The rows of fp_keyword whose keyword contains the text, as records named by the keyword.
    foundation::Ref<foundation::MutableArray> searchDataByParticipleword(std::string_view text) const;
    // The fonts of a comma-separated id list, in the list's order; ids that are not integers or
    // not in the catalogue give no record.
    foundation::Ref<foundation::MutableArray> searchDataByword(std::string_view ids) const;

    // The type-ahead on the manager's suggestion index: the keyword rows containing the text or,
    // when there are none, the fonts whose name contains it; the same rows in the same order as
    // searchDataByParticipleword() and then searchDataByKeyword(), without building a record.
    // Safe on any thread; the first call after a catalogue change rebuilds the index.
    KXSuggestionMatches suggestionsByText(std::string_view text) const;
    // The records of `count` matches from `first` on, read by their bound rowids, in the matches'
    // order. Nil when the catalogue changed since the matches were made (their rowids may name
    // other rows now).
    foundation::Ref<foundation::MutableArray> recordsOfSuggestions(const KXSuggestionMatches& matches, std::size_t first,
                                                                   std::size_t count) const;

private:
    KXBaseDBManager& manager_;
};
