#pragma once

#include "Platform/Foundation/Dictionary.h"
#include "Platform/Foundation/String.h"

// The dictionary in which the font engine describes an installed font file, keyed by property names
// of KXFontBaseModel so that a list of them converts into records.
namespace kxfontname {

inline constexpr const char* kFamilyName = "fName";
inline constexpr const char* kFontName = "fontname";
inline constexpr const char* kStyleName = "sName";
inline constexpr const char* kPostScriptName = "pName";
inline constexpr const char* kPath = "ttfPath";

// The record with its values in order (fName, fontname, sName, pName, ttfPath), stopping at the
// first one that is missing, as the font engine records it.
foundation::Ref<foundation::MutableDictionary> makeRecord(const foundation::Ref<foundation::String>& familyName,
                                                          const foundation::Ref<foundation::String>& styleName,
                                                          const foundation::Ref<foundation::String>& postScriptName,
                                                          const foundation::Ref<foundation::String>& path);

} // namespace kxfontname
