#pragma once

// Search and filters' part of the application's start-up, called once by main(): registers the
// search panel (KXHomeSearchView), the side filter panel (KXHomeFilterView) and the drop-down
// filter (KXFilterView) with the font list's overlay registry, KXHomeListOverlays.
void registerSearchFilterOverlays();
