#pragma once

#include "Platform/Foundation/Object.h"

#include <functional>

class QWidget;

// The pages of other areas that the personal centre lays over itself. Their areas register a
// creator at start-up (main() calls each area's registration), so the account area does not
// depend on them; a page without a creator is not opened. Main thread only.
class KXPersonalCenterPages {
public:
    enum class Page {
        Publish,          // KXPersonalPublish: the published folders (argument: the folders)
        CollectionDetail, // KXHomeRecomDetailView: a published folder (argument: the folder)
        FollowedCollections, // KXMyfocusSetView
        FavouriteFolders,    // KXFontManagerView, from "个人中心"
        Quit,                // KXQuitView: the sign-out confirmation
        CollectionCard,      // KXPersonalCenterCollectionCell: the card of a published folder
                             // (argument: the folder); the page draws its own without one
    };
    using Creator = std::function<QWidget*(const foundation::Id& argument)>;

    // Replaces the page's creator; an empty creator removes it.
    static void registerCreator(Page page, Creator creator);
    // A new page, or nullptr when its area registered none.
    static QWidget* make(Page page, const foundation::Id& argument = {});
};
