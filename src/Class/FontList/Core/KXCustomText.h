#pragma once

#include "Class/ServiceCore/Catalogue/KXFontBaseModel.h"
#include "Platform/Foundation/Array.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The custom preview text of the font list without any widget: what the editor's field accepts,
// the cut that Enter makes, the rows whose previews are asked for around the first visible row, and
// the matching of the service's reply to those rows.
//
// Lengths are UTF-16 code units, as the field counts them; a cut never splits a surrogate pair
// (it falls before the pair). Pure functions: any thread.
class KXCustomText {
public:
    // The field holds at most this many units: every reply URL repeats the text, for up to a
    // hundred rows per request.
    static constexpr std::size_t kFieldLimit = 64;
    // Enter hands over at most this many units.
    static constexpr std::size_t kEnterLimit = 6;

    // What the field keeps of a typed or pasted text: line breaks, tabs and other control
    // characters become spaces, and the text is cut to kFieldLimit units.
    static std::u16string fieldText(std::u16string_view text);
    // The text Enter hands over: one of kEnterLimit + 1 units or more is cut to kEnterLimit.
    static std::u16string enterText(std::u16string_view text);
    // The first `limit` units, or fewer when the last one kept would be the first half of a pair.
    static std::u16string_view cut(std::u16string_view text, std::size_t limit);

    // The rows asked for: from 40 rows above the first visible row (row 0 at the least), at most
    // 100 of them, never past the last row. No rows: count 0.
    struct Slice {
        static constexpr int kRowsAbove = 40;
        static constexpr int kMaxRows = 100;
        int start = 0;
        int count = 0;
        bool operator==(const Slice&) const = default;
    };
    static Slice sliceAround(int firstVisibleRow, int rowCount);
    // The records of the slice, in row order (the records the request is for).
    static std::vector<foundation::Ref<KXFontBaseModel>> sliceRecords(
        const foundation::Array& rows, Slice slice);
    // Their font ids as decimal text joined by "," (the request's "fids").
    static std::string idsText(const std::vector<foundation::Ref<KXFontBaseModel>>& records);

    // A reply entry matched to a requested record: its day and night preview addresses as sent
    // (nil when the entry has none, or not as text).
    struct Match {
        foundation::Ref<foundation::String> image;
        foundation::Ref<foundation::String> nightImage;
    };
    // For each requested font id in order, the first entry of `lists` whose "fontid" (a number or
    // a decimal text) equals it; nothing for ids the reply does not name. `lists` that is not an
    // array matches nothing. Reads the reply only, so it may run off the main thread.
    static std::vector<std::optional<Match>> match(
        const foundation::Id& lists, const std::vector<int>& fontids);

    // Whether a reply of the rendering request reloads the whole table rather than the rows of
    // its records: the recorded system version ("SystemVersion", its first 5 characters read as a
    // number) is 10.12 or lower. Linux versions ("12") are above: rows only.
    static bool reloadsWholeTable(std::string_view systemVersion);
};
