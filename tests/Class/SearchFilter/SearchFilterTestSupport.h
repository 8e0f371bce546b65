#pragma once

#include "Class/FontList/KXHomeListOverlays.h"
#include "Platform/Foundation/Array.h"
#include "Platform/Foundation/Dictionary.h"

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

// Types the text into a widget as one key press carrying it (QTest's key clicks take ASCII only).
void typeText(QWidget* widget, const QString& text);

// The values of a category in a selection.
std::vector<std::string> valuesOf(const foundation::Ref<foundation::Dictionary>& selection, const std::string& category);

} // namespace searchfiltertest
