#pragma once

// A page's hold on the light palette. The collection detail shows a collection in the light
// palette: the first hold remembers the palette flag and turns the light one on; each further hold
// (another detail page over it, say) keeps it on; when the last hold is released the remembered
// flag comes back. A page releases its hold whenever it leaves its superview, however it was
// removed. Main thread only.
class KXPaletteHold {
public:
    KXPaletteHold();
    ~KXPaletteHold();
    KXPaletteHold(const KXPaletteHold&) = delete;
    KXPaletteHold& operator=(const KXPaletteHold&) = delete;

    // Holds alive now.
    static int holders();
};
