#pragma once

#include <QPointer>
#include <memory>

class KXBaseButton;
class KXBrandLookup;
class KXFontsSaleAlertView;
class KXStoreTableView;
class QWidget;

// The offer pop-up of a category table, shared by the licence chooser and the re-pick sheet.
// Entering a box raises the hover flag, attaches the pop-up to the table (over the rows) when it
// is hidden and, unless the pointer is inside the pop-up, fills it from the lookup table and
// places it beside the box (KXStoreGeometry::popUpPlacement, decided in the owner's coordinates).
// Leaving a box lowers the flag and, while the pop-up shows, 0.5 s later on the main queue (the
// installed clock) hides and detaches it unless the flag was raised again or the pointer is in
// the pop-up. Leaving the pop-up itself schedules nothing.
//
// Each owner has its own flag. The delayed hide holds owner and pop-up weakly. Main thread only.
class KXOfferPopUpHover {
public:
    static constexpr double kHideDelay = 0.5;

    KXOfferPopUpHover(QWidget* owner, KXStoreTableView* table, const KXBrandLookup& lookup);
    ~KXOfferPopUpHover();
    KXOfferPopUpHover(const KXOfferPopUpHover&) = delete;
    KXOfferPopUpHover& operator=(const KXOfferPopUpHover&) = delete;

    // Made on first read and hidden at once; kept by the owner across its showings.
    KXFontsSaleAlertView* alertView();
    bool isHovering() const { return *hovering_; }

    void mouseEntered(KXBaseButton* box);
    void mouseExited(KXBaseButton* box);

private:
    QPointer<QWidget> owner_;
    QPointer<KXStoreTableView> table_;
    const KXBrandLookup& lookup_;
    QPointer<KXFontsSaleAlertView> alertView_;
    std::shared_ptr<bool> hovering_;
};
