#pragma once

#include "Class/ServiceCore/Catalogue/KXFontBaseModel.h"
#include "Platform/Foundation/Array.h"

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

// One filter category as the filter UIs show it: its name (the title, and the key of the
// selection) and its tags in the service's order.
struct KXFilterCategory {
    std::string name;
    std::vector<foundation::Ref<KXHomeListFilterModel>> tags;
};

// A category as it stands in the reply: its name and its list of tags, nothing read from them.
struct KXFilterCategoryTags {
    std::string name;
    foundation::Ref<foundation::Array> tags;
};

// The filter vocabulary a UI shows: `dataArray` is [foreign categories, Chinese categories], each
// a list of one-entry dictionaries {name: [KXHomeListFilterModel]} (the home controller builds it
// from the service's getTag reply). Shapes that are not that are left out: a missing language, an
// element that is not a one-entry dictionary, tags that are not tag models.
namespace KXFilterCategories {

constexpr const char* kWeight = "字重";
constexpr const char* kBrand = "字体品牌";
constexpr const char* kTopics = "大类型标签";
// The drop-down's style and type pages take their categories by position.
constexpr std::size_t kStylePosition = 0;
constexpr std::size_t kTypePosition = 2;

// The categories of the catalogue shown: index 1 (Chinese), or 0 when `english`.
std::vector<KXFilterCategory> of(const foundation::Ref<foundation::Array>& dataArray, bool english);
// The one category at `position` of the catalogue shown as it stands in `dataArray`: its name and
// its list of tags, nothing read from them, so that a page can take as many tags as it shows.
// Nothing when there are fewer categories; no list when its tags are not a list.
std::optional<KXFilterCategoryTags> tagsAtPosition(
    const foundation::Ref<foundation::Array>& dataArray, bool english, std::size_t position);
// The category of that name, as tagsAtPosition() gives it.
std::optional<KXFilterCategoryTags> tagsNamed(
    const foundation::Ref<foundation::Array>& dataArray, bool english, const std::string& name);
// Its tag models read, in order.
KXFilterCategory read(const KXFilterCategoryTags& category);
// The category at a position, or nullptr when there are fewer.
const KXFilterCategory* atPosition(const std::vector<KXFilterCategory>& categories, std::size_t position);
// The category of that name, or nullptr.
const KXFilterCategory* named(const std::vector<KXFilterCategory>& categories, const std::string& name);

} // namespace KXFilterCategories
