#include "Class/Favourites/KXGroupExtendView.h"

#include "Class/Favourites/KXFavouritesStyle.h"
#include "Class/Favourites/KXGroupExtendCell.h"
#include "Class/Favourites/KXRecordList.h"
#include "Class/LayoutWidgets/WidgetView.h"
#include "Class/UIKit/KXBaseButton.h"
#include "Lib/LayoutConstraints/LCViewAdditions.h"

#include <QGraphicsDropShadowEffect>
#include <QLabel>
#include <QPainter>

using layoutwidgets::lcView;
namespace style = favouritesstyle;

// The list as its rows' delegate: forwards a row button to the main window while the list lives.
class KXGroupExtendView::Adapter final : public KXGroupExtendCellDelegate {
public:
    explicit Adapter(KXGroupExtendView* view)
        : view_(view)
    {
    }
    void KXGroupExtendCellBtnClik(const foundation::Id& record, bool removeClick) override
    {
        if (!view_)
            return;
        if (const auto owner = view_->delegate())
            owner->KXGroupExtendBtnClik(record, removeClick);
    }

private:
    QPointer<KXGroupExtendView> view_;
};

KXGroupExtendView::KXGroupExtendView(QWidget* parent)
    : KXBaseView(parent)
    , adapter_(std::make_shared<Adapter>(this))
{
    resize(180, 220);
    setUPUI();
}

KXGroupExtendView::~KXGroupExtendView() = default;

void KXGroupExtendView::setUPUI()
{
    setAutoFillBackground(true);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, Qt::white);
    setPalette(palette);
    auto* shadow = new QGraphicsDropShadowEffect(this);
    shadow->setOffset(2, 0);
    shadow->setBlurRadius(12);
    shadow->setColor(QColor(0, 0, 0, 90));
    setGraphicsEffect(shadow);

    groupExtendViewTitle_ = style::label(QString(), 13, QColor(153, 153, 153), this);
    model_ = new KXRecordListModel(this);
    cell_ = new KXGroupExtendCell(this);
    cell_->setDelegete(adapter_);
    connect(cell_, &KXGroupExtendCell::rowClicked, this, [this](int row) { tableviewCellClick(row); });
    tableView_ = new KXRecordListView(this);
    tableView_->setRowMetrics(KXGroupExtendCell::kRowHeight, 0);
    tableView_->setModel(model_);
    tableView_->setItemDelegate(cell_);
    extendBtn_ = KXBaseButton::buttonWithImage(KXImage(), [this](KXBaseButton*) { extendBtnClick(); }, this);

    lc_makeConstraints(lcView(groupExtendViewTitle_), [](LCConstraintMaker& make) {
        make.top().equalTo(0);
        make.left().equalTo(14);
        make.right().equalTo(-14);
        make.height().equalTo(kTitleHeight);
    });
    lc_makeConstraints(lcView(tableView_), [](LCConstraintMaker& make) {
        make.top().equalTo(kTitleHeight);
        make.left().right().equalTo(0);
        make.bottom().equalTo(-kBottomHeight);
    });
    lc_makeConstraints(lcView(extendBtn_), [](LCConstraintMaker& make) {
        make.bottom().equalTo(-4);
        make.centerX().equalTo(0);
        make.width().equalTo(120);
        make.height().equalTo(26);
    });
}

void KXGroupExtendView::setFrom(const QString& from)
{
    from_ = from;
    const bool own = from == QStringLiteral("fontManage");
    groupExtendViewTitle_->setText(own ? QStringLiteral("我的字体管理") : QStringLiteral("关注的合集"));
    const KXImage image = KXImage::imageNamed(own ? "fontManagerNewG" : "MyFocusToFound");
    extendBtn_->setImage(image);
    extendBtn_->setAlternateImage(image);
    cell_->setFrom(from);
    tableView_->viewport()->update();
}

void KXGroupExtendView::setDataA(foundation::Ref<foundation::Array> records)
{
    dataA_ = std::move(records);
    model_->setRecords(dataA_);
}

int KXGroupExtendView::fittingHeight() const
{
    return kTitleHeight + model_->rowCount() * KXGroupExtendCell::kRowHeight + kBottomHeight;
}

void KXGroupExtendView::tableviewCellClick(int row)
{
    if (!dataA_ || row < 0 || static_cast<std::size_t>(row) >= dataA_->count())
        return;
    const auto owner = delegate();
    if (!owner)
        return;
    owner->KXGroupExtendCellClik(dataA_->objectAtIndex(static_cast<std::size_t>(row)), from_);
    hide();
}

void KXGroupExtendView::extendBtnClick()
{
    if (const auto owner = delegate())
        owner->KXGroupExtendBottomBtnClikFrom(from_);
}
