#pragma once

// The favourite folders' part of the application's start-up, called once by main(): registers the
// add-to-folder dialog (KXFontGroupAddView) with the font list's overlay registry, so that the font
// list and the search panel open it from a row's favourite button, and the pages the personal
// centre lays over itself (KXPersonalCenterPages): the published folders (KXPersonalPublish), a
// published folder's detail (KXHomeRecomDetailView by setUserinfoDic), the followed collections
// (KXMyfocusSetView), the favourite folders from "个人中心" (KXFontManagerView) and the card of the
// first published folder (KXPersonalCenterCollectionCell).
void registerFavouritesOverlays();
