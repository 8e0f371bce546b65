#include "Class/SearchFilter/KXHomeSearchView.h"

#include "Class/FontList/Core/KXDownloadedFontMap.h"
#include "Class/FontList/Core/KXFolderChange.h"
#include "Class/FontList/Core/KXFontRowRoad.h"
#include "Class/FontList/Core/KXListRowSetup.h"
#include "Class/FontList/KXFontDetailView.h"
#include "Class/FontList/KXFontListModel.h"
#include "Class/FontList/KXFontListStyle.h"
#include "Class/FontList/KXFontTableView.h"
#include "Class/FontList/KXHomeListTableCellView.h"
#include "Class/LayoutWidgets/WidgetView.h"
#include "Class/SearchFilter/KXHomeSearchCell.h"
#include "Class/SearchFilter/KXSearchFilterStyle.h"
#include "Class/ServiceCore/Catalogue/KXUserCenterConfig.h"
#include "Class/Theme/KXThemeManager.h"
#include "Class/UIKit/KXBaseButton.h"
#include "Class/UIKit/KXImage.h"
#include "Class/UIKit/KXOverlayKeys.h"
#include "Class/UIKit/KXQtColor.h"
#include "Class/UIKit/KXRemoveFromSuperview.h"
#include "Class/UIKit/THSearchField.h"
#include "Lib/LayoutConstraints/LCViewAdditions.h"

#include <QAbstractListModel>
#include <QEvent>
#include <QLabel>
#include <QPainter>

using foundation::Ref;
using layoutwidgets::lcView;

namespace {

const QColor kTitleColour(151, 125, 98);
const QColor kGreyText(153, 153, 153);

QPixmap pixmapNamed(const char* name)
{
    return QPixmap::fromImage(KXImage::imageNamed(name).image());
}

} // namespace

// The panel as the delegate of its state, rows, road and add-to-folder dialogs; forwards to the
// panel while it lives.
class KXHomeSearchView::Adapter final : public KXHomeSearchStateDelegate,
                                        public KXHomeListTableCellViewDeleagte,
                                        public KXFontRowRoadOwner,
                                        public KXFontGroupAddViewDelegate {
public:
    explicit Adapter(KXHomeSearchView* panel)
        : panel_(panel)
    {
    }
    void searchStateDidChange() override
    {
        if (panel_)
            panel_->showState();
    }
    bool searchStateAppendRows(const foundation::Array& rows) override
    {
        return panel_ && panel_->appendRows(rows);
    }
    void searchStateDidSetFieldText(const std::string& text) override
    {
        if (panel_) {
            panel_->customStrTF_->setText(QString::fromStdString(text));
            panel_->sureBtn_->setVisible(panel_->state_->isSearchButtonShown());
        }
    }
    void cellMouseDown(const Ref<KXFontBaseModel>& record) override
    {
        if (panel_)
            panel_->cellMouseDown(record);
    }
    void fontTitleClick(long long fontid) override
    {
        if (panel_)
            panel_->fontTitleClick(fontid);
    }
    void collectionBtnClick(const Ref<KXFontBaseModel>& record) override
    {
        if (panel_)
            panel_->collectionBtnClick(record);
    }
    void downloadTTFPath(const Ref<foundation::String>& path) override
    {
        if (panel_)
            panel_->downloadTTFPath(path);
    }
    void roadReloadRecord(const Ref<KXFontBaseModel>& record) override
    {
        if (panel_)
            panel_->fontModel_->reloadRecord(record);
    }
    Ref<KXFontBaseModel> roadShownRecord(long long fontid) const override
    {
        return panel_ ? panel_->fontModel_->recordOfFontid(fontid) : nullptr;
    }
    void roadAskSignIn() override
    {
        if (!panel_)
            return;
        if (const auto owner = panel_->delegate())
            owner->loginClick();
    }
    void refreshowCell(long row) override
    {
        if (panel_)
            panel_->refreshowCell(row);
    }

private:
    QPointer<KXHomeSearchView> panel_;
};

// The texts of the history and suggestion rows.
class KXHomeSearchView::TextModel final : public QAbstractListModel {
public:
    TextModel(KXHomeSearchState& state, QObject* parent)
        : QAbstractListModel(parent)
        , state_(state)
    {
    }
    void reset()
    {
        beginResetModel();
        endResetModel();
    }
    int rowCount(const QModelIndex& parent = QModelIndex()) const override
    {
        if (parent.isValid() || state_.resultMode())
            return 0;
        return static_cast<int>(std::min<std::size_t>(state_.rowCount(), static_cast<std::size_t>(INT_MAX)));
    }
    QVariant data(const QModelIndex& index, int role) const override
    {
        if (role != Qt::DisplayRole || !index.isValid() || state_.resultMode())
            return {};
        return QString::fromStdString(state_.textAt(static_cast<std::size_t>(index.row())));
    }

private:
    KXHomeSearchState& state_;
};

// One delegate for both kinds of rows: the font row of the lists, set up with the search panel's
// policy, and the one-line text row.
class KXHomeSearchView::RowDelegate final : public KXHomeListTableCellView {
public:
    RowDelegate(QObject* parent, const KXFontRowRoadPolicy& policy)
        : KXHomeListTableCellView(parent)
        , policy_(policy)
    {
    }
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        if (KXFontListModel::recordOfIndex(index)) {
            KXHomeListTableCellView::paint(painter, option, index);
            return;
        }
        const auto* table = qobject_cast<const KXFontTableView*>(option.widget);
        cell_.setTitle(index.data(Qt::DisplayRole).toString());
        cell_.paint(*painter, rowRect(option.rect, table));
    }

protected:
    void prepareRecord(KXFontBaseModel& record) const override
    {
        KXListRowSetup::prepare(record, policy_, 1, policy_.fontRowHeight, KXDownloadedFontMap::shared());
    }

private:
    KXFontRowRoadPolicy policy_;
    mutable KXHomeSearchCell cell_;
};

KXHomeSearchView::KXHomeSearchView(const QRect& frame, QWidget* parent, std::shared_ptr<KXHomeSearchServices> services,
                                   std::filesystem::path historyFile)
    : KXBaseView(parent)
    , adapter_(std::make_shared<Adapter>(this))
    , state_(KXHomeSearchState::create(std::move(services), std::move(historyFile)))
{
    setGeometry(frame);
    state_->setDelegate(adapter_);
    road_ = KXFontRowRoad::create(adapter_, KXFontRowRoadPolicy::searchPanel());
    setUPBaseUI();
    showState();
    kx_setOverlayKeys(this, [this] { cancelBtnClick(); });
}

KXHomeSearchView::~KXHomeSearchView()
{
    removed();
}

QAbstractListModel* KXHomeSearchView::textModel() const
{
    return textModel_;
}

void KXHomeSearchView::setUPBaseUI()
{
    const auto& theme = KXThemeManager::themeManager();
    fontliststyle::fill(*this, kx_qcolor(theme.RightBGC()));

    cancelBtn_ = KXBaseButton::buttonWithImage(KXImage::imageNamed("icon_close_active"), [this](KXBaseButton*) { cancelBtnClick(); }, this);
    lc_makeConstraints(lcView(cancelBtn_), [](LCConstraintMaker& make) {
        make.width().height().equalTo(20);
        make.top().equalTo(10);
        make.right().equalTo(-4);
    });

    searchBox_ = new searchfilterstyle::RoundedBox(this, kx_qcolor(theme.CustomTFBGC()), 10);
    lc_makeConstraints(lcView(searchBox_), [this](LCConstraintMaker& make) {
        make.left().equalTo(4);
        make.top().equalTo(10);
        make.height().equalTo(20);
        make.right().equalTo(lc_left(lcView(cancelBtn_))).offset(-10);
    });
    customStrImg_ = new QLabel(searchBox_);
    customStrImg_->setPixmap(pixmapNamed("search-active"));
    lc_makeConstraints(lcView(customStrImg_), [](LCConstraintMaker& make) {
        make.width().height().equalTo(20);
        make.top().left().equalTo(0);
    });

    customStrTF_ = new THSearchField(searchBox_);
    customStrTF_->setFrame(false);
    customStrTF_->setFont(fontliststyle::systemFont(12));
    customStrTF_->setPlaceholderText(QString::fromUtf8("请输入字体名称"));
    QPalette field = customStrTF_->palette();
    field.setColor(QPalette::Base, Qt::transparent);
    field.setColor(QPalette::Text, kx_qcolor(theme.CustomTFText()));
    field.setColor(QPalette::PlaceholderText, kGreyText);
    customStrTF_->setPalette(field);
    customStrTF_->setAttribute(Qt::WA_MacShowFocusRect, false);
    lc_makeConstraints(lcView(customStrTF_), [this](LCConstraintMaker& make) {
        make.left().equalTo(lc_right(lcView(customStrImg_)));
        make.right().equalTo(-100);
        make.centerY().equalTo(lc_centerY(lcView(customStrImg_)));
    });
    // Whoever gives the panel the focus gives it to the field, so typing goes there at once.
    setFocusProxy(customStrTF_);
    connect(customStrTF_, &QLineEdit::textEdited, this, [this](const QString& text) {
        state_->fieldTextDidChange(text.toStdString());
        sureBtn_->setVisible(state_->isSearchButtonShown());
    });
    // Return and keypad Enter both search.
    connect(customStrTF_, &QLineEdit::returnPressed, this, [this] { state_->jumpListView(); });

    const KXImage sure = KXImage::imageNamed("searchSure");
    sureBtn_ = KXBaseButton::buttonWithImage(sure, [this](KXBaseButton*) { sureBtnClick(); }, searchBox_);
    lc_makeConstraints(lcView(sureBtn_), [&sure](LCConstraintMaker& make) {
        make.top().equalTo(2);
        make.right().equalTo(-2);
        make.bottom().equalTo(-2);
        make.width().equalTo(sure.size().width());
    });

    topicLabel_ = fontliststyle::plainLabel(QString(), 12, kTitleColour, this);
    clearBtn_ = KXBaseButton::buttonWithTitle(QString::fromUtf8("清除记录"), [this](KXBaseButton*) { clearBtnClick(); }, this);
    clearBtn_->setNormalFont(fontliststyle::systemFont(12));
    clearBtn_->setNormalColor(kTitleColour);
    lc_makeConstraints(lcView(clearBtn_), [this](LCConstraintMaker& make) {
        make.top().equalTo(lc_bottom(lcView(customStrTF_))).offset(20);
        make.right().equalTo(-10);
        make.width().equalTo(80);
        make.height().equalTo(20);
    });

    listTableView_ = new KXFontTableView(this);
    listTableView_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    fontliststyle::fill(*listTableView_->viewport(), kx_qcolor(theme.RightBGC()));
    rowDelegate_ = new RowDelegate(this, road_->policy());
    rowDelegate_->setDelegate(adapter_);
    listTableView_->setRowDelegate(rowDelegate_);
    textModel_ = new TextModel(*state_, this);
    fontModel_ = new KXFontListModel(this);
    connect(fontModel_, &QAbstractItemModel::modelReset, this, [this] { road_->showLoadingFonts(); });
    listTableView_->setModel(textModel_);
    listTableView_->setRowHeight(road_->policy().textRowHeight);
    lc_makeConstraints(lcView(listTableView_), [this](LCConstraintMaker& make) {
        make.top().equalTo(lc_bottom(lcView(topicLabel_))).offset(10);
        make.bottom().equalTo(0);
        make.left().equalTo(0);
        make.right().equalTo(-5);
    });
    // The table has no target: a click on a row reaches the panel; a click on no row does nothing.
    connect(listTableView_, &QAbstractItemView::clicked, this, [this](const QModelIndex& index) { tableViewCellClick(index.row()); });
}

QWidget* KXHomeSearchView::makeNoDataView()
{
    auto* view = new QWidget(this);
    auto* image = new QLabel(view);
    image->setPixmap(pixmapNamed("nodataCloud"));
    auto* text = fontliststyle::plainLabel(QString::fromUtf8("云字库没找到您要的字体\n我们给您找到了您可能喜欢的字体"), 12, kGreyText, view);
    text->setAlignment(Qt::AlignCenter);
    lc_makeConstraints(lcView(view), [](LCConstraintMaker& make) {
        make.top().equalTo(30);
        make.left().right().equalTo(0);
        make.height().equalTo(150);
    });
    lc_makeConstraints(lcView(image), [](LCConstraintMaker& make) {
        make.width().height().equalTo(60);
        make.top().equalTo(20);
        make.centerX().equalTo(0);
    });
    lc_makeConstraints(lcView(text), [image](LCConstraintMaker& make) {
        make.top().equalTo(lc_bottom(lcView(image))).offset(10);
        make.centerX().equalTo(0);
    });
    view->hide();
    return view;
}

void KXHomeSearchView::placeTitle(KXHomeSearchState::TitlePlace place)
{
    if (titlePlace_ == place)
        return;
    titlePlace_ = place;
    if (place == KXHomeSearchState::TitlePlace::UnderNotice) {
        lc_remakeConstraints(lcView(topicLabel_), [this](LCConstraintMaker& make) {
            make.top().equalTo(lc_bottom(lcView(noDataView_))).offset(2);
            make.left().equalTo(10);
            make.right().equalTo(-5);
            make.height().equalTo(20);
        });
        return;
    }
    lc_remakeConstraints(lcView(topicLabel_), [this](LCConstraintMaker& make) {
        make.top().equalTo(lc_bottom(lcView(customStrTF_))).offset(20);
        make.left().equalTo(26);
        make.right().equalTo(-5);
        make.height().equalTo(20);
    });
}

void KXHomeSearchView::showState()
{
    const KXHomeSearchState& state = *state_;
    topicLabel_->setText(QString::fromStdString(state.title()));
    if (state.isNoticeShown() && !noDataView_)
        noDataView_ = makeNoDataView();
    if (noDataView_)
        noDataView_->setVisible(state.isNoticeShown());
    placeTitle(noDataView_ ? state.titlePlace() : KXHomeSearchState::TitlePlace::UnderField);
    clearBtn_->setVisible(state.isClearButtonShown());
    sureBtn_->setVisible(state.isSearchButtonShown());

    const KXFontRowRoadPolicy& policy = road_->policy();
    listTableView_->setRowHeight(state.resultMode() ? policy.fontRowHeight : policy.textRowHeight);
    // Text rows belong to the field: a click on one leaves the keys there. Font rows are a list.
    listTableView_->setFocusPolicy(state.resultMode() ? Qt::ClickFocus : Qt::NoFocus);
    if (state.resultMode()) {
        fontModel_->setRecords(state.records() ? state.records() : foundation::MutableArray::create());
        if (listTableView_->model() != fontModel_)
            listTableView_->setModel(fontModel_);
        listTableView_->awaitMoreRows(state.isReadingRows());
    } else {
        textModel_->reset();
        if (listTableView_->model() != textModel_)
            listTableView_->setModel(textModel_);
    }
    listTableView_->viewport()->update();
}

bool KXHomeSearchView::appendRows(const foundation::Array& rows)
{
    // Below the rows shown: what is in view stays where it is.
    if (!state_->resultMode() || !state_->records() || fontModel_->records() != state_->records())
        return false;
    fontModel_->appendRecords(rows);
    listTableView_->moreRowsArrived();
    return true;
}

void KXHomeSearchView::sureBtnClick()
{
    state_->jumpListView();
}

void KXHomeSearchView::cancelBtnClick()
{
    state_->cancelBtnClick();
    kx_removeFromSuperview(this);
}

void KXHomeSearchView::clearBtnClick()
{
    state_->clearBtnClick();
}

void KXHomeSearchView::tableViewCellClick(long long row)
{
    state_->tableViewCellClick(row);
}

void KXHomeSearchView::cellMouseDown(const Ref<KXFontBaseModel>& record)
{
    road_->tableViewAction(record);
}

void KXHomeSearchView::downloadTTFPath(const Ref<foundation::String>& path)
{
    road_->downloadTTFPath(path);
}

long long KXHomeSearchView::selectedRow() const
{
    return state_->resultMode() ? fontModel_->rowOfRecord(road_->selectedRecord().get()) : -1;
}

void KXHomeSearchView::fontTitleClick(long long fontid)
{
    // The detail panel lies over the list, as the list shows its own.
    KXFontDetailView::requestAndShow(parentWidget() ? parentWidget() : this, fontid);
}

void KXHomeSearchView::collectionBtnClick(const Ref<KXFontBaseModel>& record)
{
    if (!record)
        return;
    if (!KXUserCenterConfig::sharedKXUserCenterConfig().islogin()) {
        if (const auto owner = delegate())
            owner->loginClick();
        return;
    }
    const long row = fontModel_->rowOfRecord(record.get());
    QWidget* dialog = KXHomeListOverlays::createFontGroupAddView(foundation::String::create(std::to_string(record->fontid)), row, adapter_);
    if (!dialog)
        return;
    groupAddFonts_[row] = record->fontid;
    dialog->setParent(this);
    lc_makeConstraints(lcView(dialog), [](LCConstraintMaker& make) { make.edges().equalTo(0); });
    dialog->show();
    dialog->raise();
}

void KXHomeSearchView::refreshowCell(long row)
{
    using Action = KXFolderChange::Action;
    const auto opened = groupAddFonts_.find(row);
    if (opened == groupAddFonts_.end())
        return;
    const long long fontid = opened->second;
    // Font rows show only while the state shows results; the model may still hold earlier ones.
    const int current = state_->resultMode() ? fontModel_->rowOfFontid(fontid) : -1;
    const auto folders = KXUserCenterConfig::sharedKXUserCenterConfig().groupsInfo();
    // The panel's font rows are catalogue rows, as on the list's cloud tab (mode 1), in no folder.
    switch (KXFolderChange::decide(road_->policy().afterFolderDialog, 1, current >= 0, fontid, folders.get(), {})) {
    case Action::Nothing:
        break;
    case Action::ReloadRow:
    case Action::ReloadRowTellOwner:
        fontModel_->reloadRecord(fontModel_->recordAt(current));
        break;
    case Action::RemoveRow:
        fontModel_->removeRecordAt(current);
        break;
    }
}

void KXHomeSearchView::removed()
{
    if (!state_->isClosed())
        state_->removedByOwner();
}

bool KXHomeSearchView::event(QEvent* event)
{
    // Taken out of its superview by its owner (a tab switch): the panel ends as if closed.
    if (event->type() == QEvent::ParentChange && !parentWidget())
        removed();
    return KXBaseView::event(event);
}
