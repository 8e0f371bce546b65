#include "Class/FontList/KXCustomPopoverController.h"

#include "Class/FontList/KXPopover.h"
#include "Class/FontList/MyPopoverRootView.h"
#include "Class/Theme/KXThemeManager.h"
#include "Class/UIKit/KXQtColor.h"
#include "Platform/Storage/UserDefaults.h"

#include <QScrollBar>

namespace {

QString& processSelectedTitle()
{
    static QString title;
    return title;
}

} // namespace

KXCustomPopoverController::KXCustomPopoverController(QObject* parent)
    : QObject(parent)
{
}

KXCustomPopoverController::~KXCustomPopoverController()
{
    if (popover_)
        popover_->deleteLater();
    else if (view_)
        view_->deleteLater();
}

void KXCustomPopoverController::selectTitle(const QString& title)
{
    processSelectedTitle() = title;
}

QString KXCustomPopoverController::selectedTitle()
{
    return processSelectedTitle();
}

QWidget* KXCustomPopoverController::view()
{
    if (!view_) {
        view_ = new QWidget;
        viewDidLoad();
    }
    return view_;
}

QScrollArea* KXCustomPopoverController::scrollView()
{
    if (!scrollView_) {
        scrollView_ = new QScrollArea(view());
        scrollView_->setFrameShape(QFrame::NoFrame);
        scrollView_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        scrollView_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        scrollView_->setWidgetResizable(true);
    }
    return scrollView_;
}

MyPopoverRootView* KXCustomPopoverController::tableList()
{
    if (!tableList_) {
        tableList_ = new MyPopoverRootView;
        tableList_->setAction([this](int row) { tableViewAction(row); });
        scrollView()->setWidget(tableList_);
    }
    return tableList_;
}

void KXCustomPopoverController::viewDidLoad()
{
    if (dataA_.isEmpty())
        dataA_ = {QString::fromUtf8("默认排序"), QString::fromUtf8("字母排序"), QString::fromUtf8("热度排序")};
    view_->resize(80, 110);
    QPalette palette = view_->palette();
    palette.setColor(QPalette::Window, kx_qcolor(KXThemeManager::themeManager().RightBGC()));
    scrollView()->setPalette(palette);
    scrollView()->setGeometry(view_->rect());
    tableList()->setTitles(dataA_);
}

void KXCustomPopoverController::editTitle(const QString& title, QWidget* positioningView)
{
    if (!popover_)
        popover_ = new KXPopover(view());
    selectTitle(title);
    popover_->showRelativeToView(positioningView, KXPopover::Edge::MaxY);
    scrollView()->setGeometry(view()->rect());
    tableList()->setTitles(dataA_);
    tableList()->setSelectedTitle(selectedTitle());
    tableList()->reloadData();
}

void KXCustomPopoverController::tableViewAction(int row)
{
    if (row < 0 || row >= dataA_.size())
        return;
    auto& defaults = foundation::UserDefaults::standardUserDefaults();
    defaults.setObject(foundation::Id(dataA_[row].toStdString()), "sortingSelected");
    defaults.synchronize();
    if (popover_)
        popover_->close();
    if (const auto target = delegate())
        target->customPopoverControllerzDidChooseIndex(row);
}
