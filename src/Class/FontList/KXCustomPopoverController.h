#pragma once

#include "Class/FontList/KXPopover.h"
#include "Class/FontList/MyPopoverRootView.h"

#include <QObject>
#include <QPointer>
#include <QScrollArea>
#include <QStringList>

#include <memory>

// What the sort popover reports; does nothing unless implemented. Held weakly.
class KXCustomPopoverControllerDelegate {
public:
    virtual ~KXCustomPopoverControllerDelegate() = default;
    // The chosen row (the name is spelled so).
    virtual void customPopoverControllerzDidChooseIndex(long long index) { (void)index; }
};

// The sort popover: the three orders of the catalogue in a small transient pop-up (80 x 110,
// rows 25 high) above the anchor. Opening marks the row whose title is the current choice; a click
// on a row stores its title under the user default "sortingSelected", closes the pop-up and
// reports the row. The selected title is one value for the whole process. Main thread only.
class KXCustomPopoverController : public QObject {
    Q_OBJECT

public:
    explicit KXCustomPopoverController(QObject* parent = nullptr);
    ~KXCustomPopoverController() override;

    std::shared_ptr<KXCustomPopoverControllerDelegate> delegate() const { return delegate_.lock(); }
    void setDelegate(const std::shared_ptr<KXCustomPopoverControllerDelegate>& delegate) { delegate_ = delegate; }
    // The choices; "默认排序", "字母排序", "热度排序" when empty at the first load.
    const QStringList& dataA() const { return dataA_; }
    void setDataA(QStringList titles) { dataA_ = std::move(titles); }

    // The root view, loaded on first use.
    QWidget* view();
    MyPopoverRootView* tableList();
    QScrollArea* scrollView();
    // nullptr until the first opening.
    KXPopover* popover() const { return popover_; }

    // Opens the pop-up at the view and marks the row of `title`.
    void editTitle(const QString& title, QWidget* positioningView);
    static void selectTitle(const QString& title);
    static QString selectedTitle();
    // A click on a row.
    void tableViewAction(int row);

private:
    void viewDidLoad();

    std::weak_ptr<KXCustomPopoverControllerDelegate> delegate_;
    QStringList dataA_;
    QPointer<QWidget> view_;
    QPointer<QScrollArea> scrollView_;
    QPointer<MyPopoverRootView> tableList_;
    QPointer<KXPopover> popover_;
};
