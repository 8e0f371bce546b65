// The font list's toolbar actions, filters, overlays and the rows' title and favourite buttons.
#include "Class/FontList/Core/KXFilterOutcome.h"
#include "Class/FontList/Core/KXFolderChange.h"
#include "Class/FontList/Core/KXFontRowRoad.h"
#include "Class/FontList/KXFontDetailView.h"
#include "Class/FontList/KXFontListModel.h"
#include "Class/FontList/KXFontTableView.h"
#include "Class/FontList/KXHomeListViewAdapter.h"
#include "Class/LayoutWidgets/WidgetView.h"
#include "Class/ServiceCore/Catalogue/KXFilterData.h"
#include "Class/ServiceCore/Catalogue/KXSortingData.h"
#include "Class/ServiceCore/Catalogue/KXUserCenterConfig.h"
#include "Class/ServiceCore/Transport/KXGlobalDataBase.h"
#include "Class/UIKit/KXBaseButton.h"
#include "Class/UIKit/KXOverlayKeys.h"
#include "Class/UIKit/KXRemoveFromSuperview.h"
#include "Lib/LayoutConstraints/LCViewAdditions.h"
#include "Platform/DispatchQt/QtGuardedCallback.h"

#include <QChildEvent>
#include <QLabel>

#include <algorithm>

using foundation::Id;
using foundation::Ref;
using Language = KXLanguageSwitch::Language;
using layoutwidgets::lcView;

namespace {

// The drop-down filter's pages.
constexpr long long kStylePage = 1;
constexpr long long kWeightPage = 2;
constexpr long long kTypePage = 3;
constexpr long long kAdvancedPage = 4;
// The drop-down filter starts under the toolbar's upper line.
constexpr double kFilterViewTop = 81;
// The no-result view keeps this far below an open drop-down's lowest part.
constexpr double kNoResultBelowDropDown = 10;
// The language underline sits under "中文" or "外文".
constexpr double kChineseUnderline = 12;
constexpr double kForeignUnderline = 57;

} // namespace

void KXHomeListView::backToiCloudBtnClick()
{
    if (tabTypeNum_ == ModeCloud)
        return;
    if (const auto owner = delegate())
        owner->backToCloudBtn();
}

void KXHomeListView::addOverlay(QWidget* overlay)
{
    // A click inside an overlay (a tag in a scroll area, a result row) takes the keys there; when
    // the overlay goes they come back to the rows, so that PageDown scrolls them again.
    kx_giveKeysBackTo(overlay, listTableView_);
    overlay->setParent(this);
    lc_makeConstraints(lcView(overlay), [](LCConstraintMaker& make) { make.edges().equalTo(0); });
    overlay->show();
    overlay->raise();
}

void KXHomeListView::removeTopFilterView()
{
    QWidget* top = KXHomeListOverlays::topSubview(this);
    if (KXHomeListOverlays::isKind(KXHomeListOverlays::Kind::FilterView, top))
        kx_removeFromSuperview(top);
}

// --- Language --------------------------------------------------------------------------------

void KXHomeListView::cnBtnClick()
{
    backToiCloudBtnClick();
    chooseLanguage(Language::Chinese);
}

void KXHomeListView::enBtnClick()
{
    backToiCloudBtnClick();
    chooseLanguage(Language::Foreign);
}

void KXHomeListView::chooseLanguage(Language language)
{
    const KXLanguageSwitch::Step step = languages_.click(language);
    if (step.closesFilter)
        removeTopFilterView();
    if (!step.switches)
        return;
    const bool foreign = language == Language::Foreign;
    // Both buttons follow the choice: at creation "中文" is drawn selected without being chosen.
    CNBtn_->setSelected(!foreign);
    ENBtn_->setSelected(foreign);
    lc_updateConstraints(lcView(targetLine_), [foreign](LCConstraintMaker& make) {
        make.left().equalTo(foreign ? kForeignUnderline : kChineseUnderline);
    });
    auto& globals = KXGlobalDataBase::sharedKXGlobalDataBase();
    globals.setEnLanguage(foreign);
    if (foreign) {
        globals.setFilterD(foundation::MutableDictionary::create());
        filterViewTagsClick(foundation::Dictionary::create());
    } else {
        filterViewTagsClick(foundation::Dictionary::create());
        globals.setFilterD(foundation::MutableDictionary::create());
    }
}

// --- Filters -----------------------------------------------------------------------------------

QWidget* KXHomeListView::filterView()
{
    if (filterView_ && KXHomeListOverlays::topSubview(this) == filterView_)
        return filterView_;
    QWidget* view = KXHomeListOverlays::createFilterView();
    if (!view)
        return nullptr;
    kx_giveKeysBackTo(view, listTableView_);
    view->setParent(this);
    lc_makeConstraints(lcView(view), [](LCConstraintMaker& make) {
        make.top().equalTo(kFilterViewTop);
        make.left().right().bottom().equalTo(0);
    });
    view->show();
    view->raise();
    filterView_ = view;
    // The drop-down's parts come and change size with its pages; the no-result view follows them.
    view->installEventFilter(this);
    return view;
}

bool KXHomeListView::eventFilter(QObject* watched, QEvent* event)
{
    if (filterView_ && watched == filterView_) {
        if (event->type() == QEvent::ChildAdded) {
            if (QObject* part = static_cast<QChildEvent*>(event)->child(); part->isWidgetType())
                part->installEventFilter(this);
        } else if (event->type() == QEvent::Hide || event->type() == QEvent::ParentChange) {
            placeNoDataView();
        }
    } else if (filterView_ && watched->parent() == filterView_) {
        switch (event->type()) {
        case QEvent::Move:
        case QEvent::Resize:
        case QEvent::Show:
        case QEvent::Hide:
            placeNoDataView();
            break;
        default:
            break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void KXHomeListView::placeNoDataView()
{
    if (!noDataView_ || noDataView_->isHidden())
        return;
    double top = KXFilterOutcome::kNoResultTop;
    // The drop-down dims the whole list but draws only its bar, tags and close tab: the view goes
    // below those, where the dimmed list shows, instead of partly under them.
    if (filterView_ && filterView_->parentWidget() == this && !filterView_->isHidden()) {
        const QRect drawn = filterView_->childrenRect();
        if (!drawn.isEmpty())
            top = std::max(top, filterView_->y() + drawn.bottom() + 1 + kNoResultBelowDropDown);
    }
    const double room = height() - kBottomBarHeight - top;
    const bool withImage = room >= KXFilterOutcome::kNoResultHeight;
    const bool withPicks = room >= kNoDataLabelHeight + kNoDataPicksHeight;
    const bool withText = room >= kNoDataLabelHeight;
    const double shown = withImage  ? KXFilterOutcome::kNoResultHeight
                         : withPicks ? kNoDataLabelHeight + kNoDataPicksHeight
                         : withText  ? kNoDataLabelHeight
                                     : std::max(0.0, room);
    noDataImage_->setVisible(withImage);
    noDataLabel_->setVisible(withText);
    noDataPicks_->setVisible(withPicks);
    const double labelTop = withImage ? kNoDataImageTop + kNoDataImageHeight + 10 : 0;
    lc_remakeConstraints(lcView(noDataLabel_), [labelTop](LCConstraintMaker& make) {
        make.top().equalTo(labelTop);
        make.left().right().equalTo(0);
        make.height().equalTo(kNoDataLabelHeight);
    });
    lc_updateConstraints(lcView(noDataView_), [top, shown](LCConstraintMaker& make) {
        make.top().equalTo(top);
        make.height().equalTo(shown);
    });
    setTableTop(top + shown);
}

void KXHomeListView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    placeNoDataView();
}

void KXHomeListView::openFilterPage(long long page, bool backToCloudFirst, QWidget* opener)
{
    if (backToCloudFirst)
        backToiCloudBtnClick();
    removeTopFilterView();
    if (QWidget* view = filterView())
        KXHomeListOverlays::showFilterView(view, filterDataArray_, adapter_, page, opener);
}

void KXHomeListView::fontStyleBtnClick()
{
    openFilterPage(kStylePage, true, fontStyleBtn_);
}

void KXHomeListView::fontWeightBtnClick()
{
    openFilterPage(kWeightPage, true, fontWeightBtn_);
}

void KXHomeListView::fontTypeBtnClick()
{
    openFilterPage(kTypePage, true, fontTypeBtn_);
}

void KXHomeListView::advancedBtnClick()
{
    openFilterPage(kAdvancedPage, false, advancedBtn_);
}

void KXHomeListView::filterClick()
{
    backToiCloudBtnClick();
    if (KXHomeListOverlays::isKind(
            KXHomeListOverlays::Kind::HomeFilterView, KXHomeListOverlays::topSubview(this)))
        return;
    if (QWidget* view = KXHomeListOverlays::createHomeFilterView(rect(), filterDataArray_, adapter_))
        addOverlay(view);
}

void KXHomeListView::searchingClick()
{
    backToiCloudBtnClick();
    if (QWidget* view = KXHomeListOverlays::createHomeSearchView(rect(), adapter_)) {
        addOverlay(view);
        view->setFocus();
    }
}

void KXHomeListView::editBtnClick()
{
    if (KXHomeListOverlays::isKind(
            KXHomeListOverlays::Kind::HomeEditStrView, KXHomeListOverlays::topSubview(this)))
        return;
    removeTopFilterView();
    auto* editor = new KXHomeEditStrView;
    editor->setDelegate(adapter_);
    addOverlay(editor);
    editor->textView()->setFocus();
}

void KXHomeListView::setTableTop(double top)
{
    if (top == tableTop_)
        return;
    tableTop_ = top;
    lc_updateConstraints(lcView(listTableView_), [top](LCConstraintMaker& make) { make.top().equalTo(top); });
}

void KXHomeListView::showRows(Ref<foundation::MutableArray> rows)
{
    reload_->supersede();
    showReloadedRows(std::move(rows));
}

void KXHomeListView::showReloadedRows(Ref<foundation::MutableArray> rows)
{
    // Replaced directly: the selection and the empty-list view stay as they are.
    dataArray_ = std::move(rows);
    model_->setRecords(dataArray_);
    listTableView_->awaitMoreRows(reload_->readingRest());
}

void KXHomeListView::showRestOfReload(const KXListReload::Rest& rest)
{
    // A filter that showed no rows while they were being read: now it knows what it found.
    // A read that failed claims no result either: the list stays without rows.
    if (pendingFilter_ != 0 && pendingFilter_ == reload_->generation()) {
        pendingFilter_ = 0;
        const auto& came = rest.replacement ? rest.replacement : rest.following;
        if (came && came->count() == 0) {
            listTableView_->moreRowsArrived();
            showFilterOutcome(KXFilterOutcome::noResult([this] { return reloadDefaultOrder(); }));
            return;
        }
    }
    // Below the rows shown: what is in view stays where it is.
    if (rest.following) {
        model_->appendRecords(*rest.following);
    } else if (rest.replacement) {
        dataArray_ = rest.replacement;
        model_->setRecords(dataArray_);
    }
    listTableView_->moreRowsArrived();
}

void KXHomeListView::filterViewTagsClick(const Ref<foundation::Dictionary>& tags)
{
    backToiCloudBtnClick();
    // Each query is a reload of its own: the suggestions after an empty match supersede it.
    showFilterOutcome(KXFilterOutcome::apply(
        tags,
        [this](const Ref<foundation::MutableDictionary>& copy) {
            return reload_->start(KXFilterData::tagsStatement(copy));
        },
        [this] { return reloadDefaultOrder(); }, [this] { return reload_->readingRest(); }));
}

Ref<foundation::MutableArray> KXHomeListView::reloadDefaultOrder()
{
    return reload_->start(KXSortingData::defaultOrderStatement());
}

void KXHomeListView::showFilterOutcome(const KXFilterOutcome& outcome)
{
    pendingFilter_ = 0;
    switch (outcome.kind) {
    case KXFilterOutcome::Kind::Rows:
    case KXFilterOutcome::Kind::Pending:
        // Pending: no rows yet, and no claim that there are none; the rows shown before go at once.
        if (noDataView_)
            noDataView_->hide();
        showReloadedRows(outcome.rows);
        if (outcome.kind == KXFilterOutcome::Kind::Pending)
            pendingFilter_ = reload_->generation();
        setTableTop(outcome.tableTop);
        scrollRowToVisible(0);
        break;
    case KXFilterOutcome::Kind::NoResult:
        noDataView()->show();
        placeNoDataView();
        showReloadedRows(outcome.rows);
        break;
    case KXFilterOutcome::Kind::Cleared:
        forgetNoDataView();
        setData();
        break;
    }
}

void KXHomeListView::forgetNoDataView()
{
    if (!noDataView_)
        return;
    kx_removeFromSuperview(noDataView_);
    noDataView_ = nullptr;
    setTableTop(KXFilterOutcome::kTableTop);
}

// --- Rows' buttons -----------------------------------------------------------------------------

void KXHomeListView::fontTitleClick(long long fontid)
{
    KXFontDetailView::requestAndShow(this, fontid,
        dispatch::guardedQt(this, [](KXHomeListView& list, KXFontDetailView* panel) {
            list.detailView_ = panel;
            kx_giveKeysBackTo(panel, list.listTableView_);
        }));
}

KXFontDetailView* KXHomeListView::detailView() const
{
    return detailView_;
}

void KXHomeListView::collectionBtnClick(const Ref<KXFontBaseModel>& record)
{
    if (!record)
        return;
    if (!KXUserCenterConfig::sharedKXUserCenterConfig().islogin()) {
        loginClick();
        return;
    }
    const long row = model_->rowOfRecord(record.get());
    QWidget* dialog = KXHomeListOverlays::createFontGroupAddView(
        foundation::String::create(std::to_string(record->fontid)), row, adapter_);
    if (!dialog)
        return;
    groupAddFonts_[row] = record->fontid;
    addOverlay(dialog);
}

void KXHomeListView::refreshowCell(long row)
{
    using Action = KXFolderChange::Action;
    const auto opened = groupAddFonts_.find(row);
    if (opened == groupAddFonts_.end())
        return;
    const long long fontid = opened->second;
    const int current = model_->rowOfFontid(fontid);
    const auto folders = KXUserCenterConfig::sharedKXUserCenterConfig().groupsInfo();
    const std::string groupID = groupID_ ? groupID_->utf8() : std::string();
    const Action action
        = KXFolderChange::decide(road_->policy().afterFolderDialog, tabTypeNum_, current >= 0, fontid, folders.get(), groupID);
    switch (action) {
    case Action::Nothing:
        break;
    case Action::ReloadRow:
    case Action::ReloadRowTellOwner:
        model_->reloadRecord(model_->recordAt(current));
        if (const auto owner = delegate(); owner && action == Action::ReloadRowTellOwner)
            owner->refreshCollection(tabTypeNum_);
        break;
    case Action::RemoveRow:
        model_->removeRecordAt(current);
        showGroupNoDataView(!dataArray_ || dataArray_->count() == 0);
        reloadData();
        break;
    }
}
