#pragma once

// The font list's part of the application's start-up, called once by main(): puts the application's
// image loader behind the rows' previews (KXWebPreviewSource over the shared image manager). The
// list's own overlay, the custom-text editor, needs no registration; the overlays of search and
// filters and of favourite folders are registered by those areas' own register<Area>Overlays()
// (see KXHomeListOverlays).
void registerFontListOverlays();
