#include "Class/Favourites/FavouritesRegistration.h"

#include "Class/Account/KXPersonalCenterPages.h"
#include "Class/Favourites/KXFontGroupAddView.h"
#include "Class/Favourites/KXFontManagerView.h"
#include "Class/Favourites/KXHomeRecomDetailView.h"
#include "Class/Favourites/KXMyfocusSetView.h"
#include "Class/Favourites/KXPersonalCenterCollectionCell.h"
#include "Class/Favourites/KXPersonalPublish.h"

using foundation::Id;
using Page = KXPersonalCenterPages::Page;

void registerFavouritesOverlays()
{
    KXFontGroupAddView::registerOverlay();
    KXPersonalCenterPages::registerCreator(Page::Publish, [](const Id& folders) -> QWidget* {
        auto* page = new KXPersonalPublish;
        page->setGroupDataA(folders.array());
        return page;
    });
    KXPersonalCenterPages::registerCreator(Page::CollectionDetail, [](const Id& folder) -> QWidget* {
        auto* page = new KXHomeRecomDetailView;
        page->setUserinfoDic(folder.dictionary());
        return page;
    });
    KXPersonalCenterPages::registerCreator(Page::CollectionCard, [](const Id& folder) -> QWidget* {
        auto* card = new KXPersonalCenterCollectionCell;
        card->setData(folder);
        return card;
    });
    KXPersonalCenterPages::registerCreator(Page::FollowedCollections, [](const Id&) -> QWidget* { return new KXMyfocusSetView; });
    KXPersonalCenterPages::registerCreator(Page::FavouriteFolders, [](const Id&) -> QWidget* {
        auto* page = new KXFontManagerView;
        page->setFrom(QString::fromUtf8(KXFontManagerView::kPersonalCentre));
        return page;
    });
}
