#pragma once

#include "Class/ServiceCore/KXFontBaseModel.h"

#include <string_view>

class SQResultSet;

// Turns the rows of a catalogue result set (fp_fonts, or fp_keyword for suggestions) into font
// records. Columns are found once per result set by name, case-insensitively; a column the
// statement does not have reads as nil text or 0.
//
// Not thread-safe: use it on the database queue, with the result set it was made for.
class KXCatalogueRowReader {
public:
    explicit KXCatalogueRowReader(SQResultSet& rows);

    // The record of the current row. The texts download_url, fontname, night_image, ps_name,
    // language, image, marketing and new_image (as isnew_imgage); the 32-bit integers fontid,
    // time, heat, has_info, font_weight, is_sell (sign-extended) and type; is_3d from its low
    // byte. A row with no font name and a fontid below 1 (a keyword row) takes its keyword.
    foundation::Ref<KXFontBaseModel> fontRecord() const;

    // The index of the column, -1 when the result set has none by that name.
    static int columnIndex(const SQResultSet& rows, std::string_view name);

private:
    foundation::Ref<foundation::String> text(int column) const;
    int integer(int column) const;

    SQResultSet& rows_;
    int downloadUrl_;
    int fontname_;
    int nightImage_;
    int psName_;
    int language_;
    int image_;
    int marketing_;
    int newImage_;
    int keyword_;
    int fontid_;
    int time_;
    int heat_;
    int hasInfo_;
    int fontWeight_;
    int isSell_;
    int type_;
    int is3d_;
};
