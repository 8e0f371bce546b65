#pragma once

#include "Platform/Foundation/Object.h"
#include "Platform/Foundation/String.h"

#include <functional>

// One font of the catalogue as every page handles it: a row of fp_fonts (or fp_keyword), a font of
// a server reply, or an installed font file described by a font name record. A plain record: every
// number starts at 0, every flag at NO and every object at nil; properties are registered with the
// runtime under these names, so replies and name records convert into it key by key.
class KXFontBaseModel : public foundation::Object {
public:
    static const foundation::Class* classObject();
    const foundation::Class* isa() const override;

    foundation::Ref<foundation::String> download_url;
    foundation::Ref<foundation::String> ttfPath;
    foundation::Ref<foundation::String> fontname;
    foundation::Ref<foundation::String> localTitle;
    foundation::Ref<foundation::String> image;
    foundation::Ref<foundation::String> night_image;
    foundation::Ref<foundation::String> ps_name;
    foundation::Ref<foundation::String> tags;
    foundation::Ref<foundation::String> nav_tag;
    foundation::Ref<foundation::String> alpha;
    foundation::Ref<foundation::String> language;
    foundation::Ref<foundation::String> isnew_imgage;
    int type = 0;
    bool isD = false;
    bool isCollected = false;
    bool isLoading = false;
    bool isLocalFont = false;
    int time = 0;
    int download = 0;
    int fontid = 0;
    int heat = 0;
    long long is_sell = 0;
    int font_weight = 0;
    int has_info = 0;
    unsigned long long cellType = 0;
    std::function<void(double progress)> progressBlock;
    double progress = 0;
    double cellHeight = 0;
    foundation::Ref<foundation::String> fName;
    foundation::Ref<foundation::String> sName;
    foundation::Ref<foundation::String> pName;
    foundation::Ref<foundation::String> marketing;
    bool is_3d = false;
    bool is_seleted = false;
};

// One tag of the catalogue filters.
class KXHomeListFilterModel : public foundation::Object {
public:
    static const foundation::Class* classObject();
    const foundation::Class* isa() const override;

    foundation::Ref<foundation::String> tagname;
    foundation::Ref<foundation::String> tagid;
};
