#pragma once

#include "Class/ServiceCore/Catalogue/KXFontBaseModel.h"
#include "Platform/Foundation/Array.h"

#include <array>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>

class SQResultSet;
struct sqlite3_stmt;

// Turns the rows of a catalogue result set (fp_fonts, or fp_keyword for suggestions) into font
// records. Columns are found once per result set by name, case-insensitively; a column the
// statement does not have reads as nil text or 0.
//
// Most text columns hold few distinct values (language lists, marketing codes, badges): records
// of one result set share one immutable string per distinct value of such a column, which spares
// an allocation per value. A column stops sharing once it shows many distinct values.
//
// The bundled catalogue stores its URLs (download_url, image, night_image and the URLs inside the
// new_image JSON) under a placeholder base that never resolves. The reader puts the API base URL
// in its place as it reads, so every record carries addresses of the service in use; with no API
// base configured the URLs stay as stored. The file itself is never changed.
//
// A long result is read in two stages that overlap: the statement steps on the calling thread,
// which copies each row's values into batches, while a pool thread turns the batches into records.
// A short one (one batch) is read on the calling thread alone.
//
// Not thread-safe: use it on the database queue, with the result set it was made for.
class KXCatalogueRowReader {
public:
    static constexpr std::string_view kPlaceholderBase = "https://catalogue.corvane.invalid/";
    // Rows per batch handed from the statement to the record maker.
    static constexpr std::size_t kBatchRows = 1024;

    // Reads with KXHTTPBUSINESS::apiBaseURL() as the base of the catalogue's URLs.
    explicit KXCatalogueRowReader(SQResultSet& rows);
    // Reads with `urlBase` in place of the placeholder base ("" keeps the stored URLs).
    KXCatalogueRowReader(SQResultSet& rows, std::string urlBase);
    ~KXCatalogueRowReader();
    KXCatalogueRowReader(const KXCatalogueRowReader&) = delete;
    KXCatalogueRowReader& operator=(const KXCatalogueRowReader&) = delete;

    // `text` with every placeholder base replaced by `base`, also in the escaped form that JSON
    // writers give ("https:\/\/..."); "" as base keeps the text.
    static std::string rewriteURLs(std::string_view text, std::string_view base);

    // The records of the rows not read yet, in row order; the result set is at its end after.
    // Each record has the texts download_url, fontname, night_image, ps_name, language, image,
    // marketing and new_image (as isnew_imgage); the 32-bit integers fontid, time, heat, has_info,
    // font_weight, is_sell (sign-extended) and type; is_3d from its low byte. A row with no font
    // name and a fontid below 1 (a keyword row) takes its keyword. Text that is not UTF-8 reads as
    // nil, except in URL columns whose base is replaced, where bad bytes become U+FFFD.
    // `stopped`, when given, is asked every few rows: once it answers true the read ends there and
    // the records are those of the rows read so far, also when SQLite ended the statement for the
    // stop. Nil when the statement failed, so that a failed read is never taken for a short list
    // (the failure is logged).
    foundation::Ref<foundation::MutableArray> fontRecords(const std::function<bool()>& stopped = {});

    // The index of the column, -1 when the result set has none by that name.
    static int columnIndex(const SQResultSet& rows, std::string_view name);

private:
    struct Hash {
        using is_transparent = void;
        std::size_t operator()(std::string_view text) const { return std::hash<std::string_view>{}(text); }
    };
    // One text column and the strings it has shown so far.
    struct TextColumn {
        int index = -1;
        bool holdsURLs = false;
        bool sharing = true;
        std::unordered_map<std::string, foundation::Ref<foundation::String>, Hash, std::equal_to<>> seen;
    };
    static constexpr std::size_t kMaxSharedValues = 256;
    // The columns read, in the order a batch stores them (their names in the source file).
    enum TextField : std::size_t { DownloadUrl, Fontname, NightImage, PsName, Language, Image, Marketing, NewImage, Keyword, kTextColumns };
    enum NumberField : std::size_t { Fontid, Time, Heat, HasInfo, FontWeight, IsSell, Type, Is3d, kNumberColumns };
    struct Batch;
    struct Handoff;

    static std::string escapedURL(std::string_view plain);
    static std::string rewriteURLs(std::string_view text, std::string_view base, std::string_view escapedPlaceholder,
                                   std::string_view escapedBase);
    // Stage one: the current row's values, appended to the batch.
    void copyRow(Batch& batch) const;
    // Stage two: the records of a batch, appended to `records`.
    void makeRecords(const Batch& batch, foundation::MutableArray& records);
    foundation::Ref<foundation::String> text(TextColumn& column, const char* bytes, std::size_t size);
    foundation::Ref<foundation::String> columnText(const TextColumn& column, std::string_view value) const;

    SQResultSet& rows_;
    sqlite3_stmt* handle_;
    std::string urlBase_;
    std::string escapedPlaceholder_;
    std::string escapedURLBase_;
    std::array<TextColumn, kTextColumns> texts_;  // by TextField
    std::array<int, kNumberColumns> numbers_;     // column indexes, by NumberField
};
