#pragma once

#include "Platform/Foundation/Array.h"
#include "Platform/Foundation/Dictionary.h"

#include <string_view>
#include <vector>

class KXGlobalDataBase;

// One filter UI's working selection (`tagsDD`) and the rules by which the three filter UIs (the
// side panel, the drop-down and its advanced page) change it and store it in the process-wide
// `filterD` of KXGlobalDataBase.
//
// The selection maps a category name to the array of its selected values (texts, in the order
// they were chosen, each once); no category maps to an empty array. The working selection is made
// on first use: `filterD` itself when it holds a key, so edits show there at once, else a new empty
// dictionary. Buttons show the working selection (isSelected()), never `filterD`.
//
// Main thread only.
class KXFilterSelection {
public:
    explicit KXFilterSelection(KXGlobalDataBase* global = nullptr);

    // tagsDD, made on first use.
    const foundation::Ref<foundation::MutableDictionary>& tagsDD();
    // The drop-down takes its advanced page's report as its own selection.
    void setTagsDD(foundation::Ref<foundation::MutableDictionary> selection) { tagsDD_ = std::move(selection); }

    // The toggle of every filter UI: a value is taken out of its category (and the category with
    // its last value) or added at its end.
    void toggle(std::string_view category, std::string_view value);
    // The same with a request {category: value}; nil (or anything but a one-entry dictionary with
    // a text value) changes nothing.
    void toggle(const foundation::Ref<foundation::Dictionary>& request);
    bool isSelected(std::string_view category, std::string_view value);
    std::vector<std::string> values(std::string_view category);
    // "全部": the category's values are exactly these (none: the category goes).
    void setValues(std::string_view category, const std::vector<std::string>& values);
    // "清除": the category goes; false when it held nothing.
    bool removeCategory(std::string_view category);

    // --- Storing ---
    // The drop-down after every change: filterD := tagsDD.
    void storeAlways();
    // Closing the side panel, "确认" of the advanced page: filterD := tagsDD when it holds a key.
    void storeIfAny();
    // Tab changes and "重置": tagsDD and filterD each become a new empty dictionary.
    void resetBoth();

private:
    KXGlobalDataBase& global();

    KXGlobalDataBase* global_;
    foundation::Ref<foundation::MutableDictionary> tagsDD_;
};
