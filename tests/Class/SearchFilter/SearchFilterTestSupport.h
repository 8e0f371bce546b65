#pragma once

#include "Class/FontList/KXHomeListOverlays.h"
#include "Platform/Foundation/Array.h"
#include "Platform/Foundation/Dictionary.h"

class KXFilterTagGrid;
class KXFilterTable;
class KXFilterView;
class QWidget;

#include <QString>

#include <string>
#include <vector>

// Helpers of the search and filter pages' widget tests.
namespace searchfiltertest {

// The filter categories as the home controller hands them to the list: [foreign, Chinese], each a
// list of {category name: [KXHomeListFilterModel]}, from the vocabulary the local service serves.
foundation::Ref<foundation::MutableArray> filterDataArray();
// The same shape from literal categories: {name, [(tagid, tagname)]}.
using Tags = std::vector<std::pair<std::string, std::string>>;
foundation::Ref<foundation::MutableArray> categories(const std::vector<std::pair<std::string, Tags>>& foreign,
                                                     const std::vector<std::pair<std::string, Tags>>& chinese);

// Remembers every filter report, as the list receives them.
class RecordingFilterOwner final : public KXFilterViewDelegate, public KXHomeFilterViewDelegate {
public:
    void filterViewTagsClick(const foundation::Ref<foundation::Dictionary>& tags) override;
    std::vector<foundation::Ref<foundation::Dictionary>> reports;
    // The values of the category in the last report.
    std::vector<std::string> lastValues(const std::string& category) const;
};

// The sign-in requests of a search panel.
class RecordingSearchOwner final : public KXHomeSearchViewDelegate {
public:
    void loginClick() override { signInRequests += 1; }
    int signInRequests = 0;
};

// One tag switch of a tag grid: the grid and the tag's index; no grid when there is none.
struct TagSwitch {
    KXFilterTagGrid* grid = nullptr;
    std::size_t index = 0;
    explicit operator bool() const { return grid != nullptr; }
};
// The switch of a tag id in a grid.
TagSwitch tagIn(KXFilterTagGrid* grid, const std::string& tagid);
// The switch of a tag id in a filter table's tag row of that category.
TagSwitch tagIn(KXFilterTable* table, const std::string& category, const std::string& tagid);
// Brings the switch into view in every scroll area around it, then presses and releases the left
// button at its centre, as a person clicks it.
void clickTag(const TagSwitch& tag);
// Scrolls the drop-down's tag area to its end until every tag is laid out, then back to its top.
void layOutEveryTag(KXFilterView* view);
// Whether the switch shows its tag chosen.
bool isOn(const TagSwitch& tag);

// Types the text into a widget as one key press carrying it (QTest's key clicks take ASCII only).
void typeText(QWidget* widget, const QString& text);

// The values of a category in a selection.
std::vector<std::string> valuesOf(const foundation::Ref<foundation::Dictionary>& selection, const std::string& category);

} // namespace searchfiltertest
