#pragma once

#include "Class/Favourites/KXGroupExtendView.h"
#include "Class/FontList/KXHomeListView.h"
#include "Class/Home/Core/KXHoverTracker.h"
#include "Class/Home/Core/KXOrderReminder.h"
#include "Class/Home/KXLeftTabView.h"

#include <QPointer>

class KXHomeViewController;

// The hub in the delegate roles it plays for the tabs, the font list, the group pop-ups, the
// hover tracker and the order reminder. The pieces hold it weakly; it holds the hub as a QPointer,
// so a piece that outlives the hub talks to nobody. Main thread only.
class KXHomeHubDelegates final : public KXLeftTabViewDelegate,
                                 public KXHomeListViewDelegate,
                                 public KXGroupExtendViewDelegate,
                                 public KXHoverTrackerDelegate,
                                 public KXOrderReminderDelegate {
public:
    explicit KXHomeHubDelegates(KXHomeViewController* hub);

    // Tabs.
    void tabViewTouched(KXLeftTabView* tab) override;
    void KXLeftTabViewMouseEntered(const QString& identifier) override;
    void KXLeftTabViewMouseExited(const QString& identifier) override;

    // The font list.
    void loginClick() override;
    void backToCloudBtn() override;

    // Group pop-ups.
    void KXGroupExtendCellClik(const foundation::Id& row, const QString& from) override;
    void KXGroupExtendBtnClik(const foundation::Id& row, bool fristBtnClick) override;
    void KXGroupExtendBottomBtnClikFrom(const QString& from) override;

    // Hover tracker.
    bool hoverTrackerIsSignedIn() override;
    bool hoverTrackerSectionPageOnTop() override;
    void hoverTrackerOpenFolders() override;
    void hoverTrackerOpenFollowed() override;

    // Order reminder.
    void orderReminderHideBadge() override;
    void orderReminderPrepareBadge() override;
    void orderReminderShowBadge(const std::string& text) override;
    void orderReminderUnpaidOrders() override;
    void orderReminderStarted() override;

private:
    QPointer<KXHomeViewController> hub_;
};
