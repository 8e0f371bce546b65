#include "Class/FontList/Core/KXCustomText.h"

#include "Platform/Foundation/Dictionary.h"
#include "Platform/Foundation/String.h"

#include <charconv>
#include <unordered_map>

using foundation::Id;
using foundation::Ref;

namespace {

bool isHighSurrogate(char16_t unit)
{
    return unit >= 0xD800 && unit <= 0xDBFF;
}

bool isControl(char16_t unit)
{
    // C0, DEL, C1, and the line and paragraph separators.
    return unit < 0x20 || (unit >= 0x7F && unit <= 0x9F) || unit == 0x2028 || unit == 0x2029;
}

} // namespace

std::u16string_view KXCustomText::cut(std::u16string_view text, std::size_t limit)
{
    if (text.size() <= limit)
        return text;
    std::size_t end = limit;
    if (end > 0 && isHighSurrogate(text[end - 1]))
        end -= 1;
    return text.substr(0, end);
}

std::u16string KXCustomText::fieldText(std::u16string_view text)
{
    std::u16string kept(cut(text, kFieldLimit));
    for (char16_t& unit : kept)
        if (isControl(unit))
            unit = u' ';
    return kept;
}

std::u16string KXCustomText::enterText(std::u16string_view text)
{
    return std::u16string(cut(text, kEnterLimit));
}

KXCustomText::Slice KXCustomText::sliceAround(int firstVisibleRow, int rowCount)
{
    Slice slice;
    if (rowCount <= 0)
        return slice;
    slice.start = firstVisibleRow >= Slice::kRowsAbove ? firstVisibleRow - Slice::kRowsAbove : 0;
    slice.start = std::min(slice.start, rowCount - 1);
    slice.count = slice.start + Slice::kMaxRows < rowCount ? Slice::kMaxRows : rowCount - slice.start;
    return slice;
}

std::vector<Ref<KXFontBaseModel>> KXCustomText::sliceRecords(const foundation::Array& rows, Slice slice)
{
    std::vector<Ref<KXFontBaseModel>> records;
    const auto& objects = rows.objects();
    for (int row = slice.start; row < slice.start + slice.count && row < static_cast<int>(objects.size());
         ++row)
        if (auto record = objects[static_cast<std::size_t>(row)].as<KXFontBaseModel>())
            records.push_back(std::move(record));
    return records;
}

std::string KXCustomText::idsText(const std::vector<Ref<KXFontBaseModel>>& records)
{
    std::string ids;
    for (const auto& record : records) {
        if (!ids.empty())
            ids += ',';
        ids += std::to_string(record->fontid);
    }
    return ids;
}

std::vector<std::optional<KXCustomText::Match>> KXCustomText::match(
    const Id& lists, const std::vector<int>& fontids)
{
    std::vector<std::optional<Match>> matches(fontids.size());
    const auto entries = lists.array();
    if (!entries)
        return matches;
    std::unordered_map<long long, std::size_t> firstEntry;
    for (std::size_t index = 0; index < entries->count(); ++index) {
        const Id entry = lists[index];
        if (!entry.dictionary())
            continue;
        const Id fontid = entry["fontid"];
        if (!fontid.number() && !fontid.string())
            continue;
        firstEntry.emplace(fontid.integerValue(), index);
    }
    for (std::size_t position = 0; position < fontids.size(); ++position) {
        const auto found = firstEntry.find(fontids[position]);
        if (found == firstEntry.end())
            continue;
        const Id entry = lists[found->second];
        matches[position] = Match { entry["image"].string(), entry["night_image"].string() };
    }
    return matches;
}

bool KXCustomText::reloadsWholeTable(std::string_view systemVersion)
{
    const std::string_view head = systemVersion.substr(0, std::min<std::size_t>(5, systemVersion.size()));
    double version = 0;
    const auto [end, error] = std::from_chars(head.data(), head.data() + head.size(), version);
    (void)end;
    return error == std::errc() && version <= 10.12;
}
