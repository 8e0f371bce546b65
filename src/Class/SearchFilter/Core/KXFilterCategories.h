#pragma once

#include "Class/ServiceCore/Catalogue/KXFilterTagList.h"
#include "Platform/Foundation/Array.h"

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

// One filter category as the filter UIs show it: its name (the title, and the key of the
// selection) and its tags in the service's order (never nil: a category without a tag list has an
// empty one).
struct KXFilterCategory {
    std::string name;
    foundation::Ref<KXFilterTagList> tags;
};

// The filter vocabulary a UI shows: `dataArray` is [foreign categories, Chinese categories], each
// a list of one-entry dictionaries {name: KXFilterTagList} (the home controller builds it from the
// service's getTag reply). Shapes that are not that are left out: a missing language, an element
// that is not a one-entry dictionary keyed by a text; a category whose tags are not a tag list has
// none. Reading a category shares its tag list: nothing is made per tag.
namespace KXFilterCategories {

constexpr const char* kWeight = "字重";
constexpr const char* kBrand = "字体品牌";
constexpr const char* kTopics = "大类型标签";
// The drop-down's style and type pages take their categories by position.
constexpr std::size_t kStylePosition = 0;
constexpr std::size_t kTypePosition = 2;

// The categories of the catalogue shown: index 1 (Chinese), or 0 when `english`.
std::vector<KXFilterCategory> of(const foundation::Ref<foundation::Array>& dataArray, bool english);
// The one category at `position` of the catalogue shown; nothing when there are fewer.
std::optional<KXFilterCategory> atPosition(
    const foundation::Ref<foundation::Array>& dataArray, bool english, std::size_t position);
// The category of that name, if any.
std::optional<KXFilterCategory> named(
    const foundation::Ref<foundation::Array>& dataArray, bool english, const std::string& name);
// The category at a position, or nullptr when there are fewer.
const KXFilterCategory* atPosition(const std::vector<KXFilterCategory>& categories, std::size_t position);
// The category of that name, or nullptr.
const KXFilterCategory* named(const std::vector<KXFilterCategory>& categories, const std::string& name);

} // namespace KXFilterCategories
