#include "Class/ServiceCore/Fonts/KXFontNameRecord.h"

namespace kxfontname {

using foundation::Id;
using foundation::Ref;

Ref<foundation::MutableDictionary> makeRecord(const Ref<foundation::String>& familyName,
                                              const Ref<foundation::String>& styleName,
                                              const Ref<foundation::String>& postScriptName,
                                              const Ref<foundation::String>& path)
{
    auto record = foundation::MutableDictionary::create();
    const std::pair<const char*, Ref<foundation::String>> values[] = {
        {kFamilyName, familyName}, {kFontName, familyName}, {kStyleName, styleName},
        {kPostScriptName, postScriptName}, {kPath, path}};
    for (const auto& [key, value] : values) {
        if (!value)
            break;
        record->setObject(Id(value), Id(key));
    }
    return record;
}

} // namespace kxfontname
