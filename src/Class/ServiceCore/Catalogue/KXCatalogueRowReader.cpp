#include "Class/ServiceCore/Catalogue/KXCatalogueRowReader.h"

#include "Class/ServiceCore/Transport/KXHTTPBUSINESS.h"
#include "Lib/SQLKit/SQResultSet.h"
#include "Lib/SQLKit/SQStatement.h"

#include <sqlite3.h>

#include <algorithm>
#include <cctype>

using foundation::Ref;
using foundation::String;

namespace {

bool sameName(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
    });
}

} // namespace

int KXCatalogueRowReader::columnIndex(const SQResultSet& rows, std::string_view name)
{
    const int count = rows.columnCount();
    for (int i = 0; i < count; ++i) {
        const Ref<String> column = rows.columnNameForIndex(i);
        if (column && sameName(column->utf8(), name))
            return i;
    }
    return -1;
}

std::string KXCatalogueRowReader::rewriteURLs(std::string_view text, std::string_view base)
{
    std::string result(text);
    if (base.empty())
        return result;
    auto replaceAll = [&result](std::string_view from, std::string_view to) {
        for (std::size_t at = result.find(from); at != std::string::npos; at = result.find(from, at + to.size()))
            result.replace(at, from.size(), to);
    };
    auto escaped = [](std::string_view plain) {
        std::string out;
        for (char c : plain) {
            if (c == '/')
                out += '\\';
            out += c;
        }
        return out;
    };
    replaceAll(kPlaceholderBase, base);
    replaceAll(escaped(kPlaceholderBase), escaped(base));
    return result;
}

KXCatalogueRowReader::KXCatalogueRowReader(SQResultSet& rows)
    : KXCatalogueRowReader(rows, KXHTTPBUSINESS::apiBaseURL())
{
}

KXCatalogueRowReader::KXCatalogueRowReader(SQResultSet& rows, std::string urlBase)
    : rows_(rows)
    , handle_(rows.statement() ? rows.statement()->statement() : nullptr)
    , urlBase_(std::move(urlBase))
    , downloadUrl_(columnIndex(rows, "download_url"), true)
    , fontname_(columnIndex(rows, "fontname"))
    , nightImage_(columnIndex(rows, "night_image"), true)
    , psName_(columnIndex(rows, "ps_name"))
    , language_(columnIndex(rows, "language"))
    , image_(columnIndex(rows, "image"), true)
    , marketing_(columnIndex(rows, "marketing"))
    , newImage_(columnIndex(rows, "new_image"), true)
    , keyword_(columnIndex(rows, "keyword"))
    , fontid_(columnIndex(rows, "fontid"))
    , time_(columnIndex(rows, "time"))
    , heat_(columnIndex(rows, "heat"))
    , hasInfo_(columnIndex(rows, "has_info"))
    , fontWeight_(columnIndex(rows, "font_weight"))
    , isSell_(columnIndex(rows, "is_sell"))
    , type_(columnIndex(rows, "type"))
    , is3d_(columnIndex(rows, "is_3d"))
{
}

Ref<String> KXCatalogueRowReader::columnText(const TextColumn& column, std::string_view value) const
{
    if (column.holdsURLs && !urlBase_.empty() && value.find("corvane.invalid") != std::string_view::npos)
        return String::create(rewriteURLs(value, urlBase_));
    return rows_.stringForColumnIndex(column.index);
}

Ref<String> KXCatalogueRowReader::text(TextColumn& column)
{
    if (column.index < 0)
        return nullptr;
    if (!handle_) {
        Ref<String> stored = rows_.stringForColumnIndex(column.index);
        return stored ? columnText(column, stored->utf8()) : nullptr;
    }
    const auto* bytes = sqlite3_column_text(handle_, column.index);
    if (!bytes)
        return nullptr;
    const std::string_view value(reinterpret_cast<const char*>(bytes), static_cast<std::size_t>(sqlite3_column_bytes(handle_, column.index)));
    if (!column.sharing)
        return columnText(column, value);
    if (const auto known = column.seen.find(value); known != column.seen.end())
        return known->second;
    Ref<String> made = columnText(column, value);
    if (column.seen.size() < kMaxSharedValues) {
        column.seen.emplace(std::string(value), made);
    } else {
        column.sharing = false;
        column.seen.clear();
    }
    return made;
}

int KXCatalogueRowReader::integer(int column) const
{
    return column < 0 ? 0 : rows_.intForColumnIndex(column);
}

Ref<KXFontBaseModel> KXCatalogueRowReader::fontRecord()
{
    auto font = std::make_shared<KXFontBaseModel>();
    font->download_url = text(downloadUrl_);
    font->fontname = text(fontname_);
    font->night_image = text(nightImage_);
    font->ps_name = text(psName_);
    font->language = text(language_);
    font->image = text(image_);
    font->marketing = text(marketing_);
    font->isnew_imgage = text(newImage_);
    font->fontid = integer(fontid_);
    font->time = integer(time_);
    font->heat = integer(heat_);
    font->has_info = integer(hasInfo_);
    font->font_weight = integer(fontWeight_);
    // The record's is_sell is 64-bit, the column is read as 32-bit: negative values stay negative.
    font->is_sell = static_cast<long long>(integer(isSell_));
    font->type = integer(type_);
    // The flag is a byte wide: only the low byte of the stored number counts.
    font->is_3d = (static_cast<unsigned>(integer(is3d_)) & 0xFFu) != 0;
    if ((!font->fontname || font->fontname->utf8().empty()) && font->fontid < 1)
        font->fontname = text(keyword_);
    return font;
}
