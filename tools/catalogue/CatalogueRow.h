#pragma once

#include <cstdint>
#include <string>

namespace catalogue {

// One row of fp_fonts with every column the client reads, merges or carries.
struct CatalogueRow {
    int64_t fontid = 0;
    std::string fontname;
    std::string image;
    std::string night_image;
    std::string download_url;
    int64_t time = 0;
    int64_t heat = 0;
    std::string ps_name;
    int font_weight = 4;
    int type = 1;
    std::string language;
    std::string tags;
    std::string show_img;
    int codeid = 0;
    int64_t default_sort = 0;
    int partner_id = 0;
    int64_t ser_name_take = 0;
    int64_t m_made_time = 0;
    std::string font_en_name;
    std::string new_image;
    int is_sell = 0;
    int has_info = 0;
    int is_3d = 0;
    std::string marketing;
    std::string keyword;
    std::string font_info;
};

} // namespace catalogue
