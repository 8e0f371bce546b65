#include "Class/Favourites/KXFontManagerCell.h"
#include "Class/UIKit/KXLabelText.h"

#include "Class/Favourites/Core/KXFavouritesTexts.h"
#include "Class/Favourites/Core/KXFolderFiling.h"
#include "Class/Favourites/Core/KXFolderStateIcon.h"
#include "Class/Favourites/KXFavouritesStyle.h"
#include "Class/Favourites/KXRecordList.h"
#include "Class/FontList/KXFontListStyle.h"
#include "Class/UIKit/KXBaseButton.h"
#include "Class/UIKit/KXImage.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

using foundation::Id;
namespace style = favouritesstyle;

namespace {

constexpr int kCardInset = 16;
constexpr int kMenuWidth = 92;
constexpr int kMenuEntryHeight = 30;

} // namespace

KXFontManagerCell::KXFontManagerCell(QObject* parent)
    : QStyledItemDelegate(parent)
{
}

KXFontManagerCell::~KXFontManagerCell() = default;

QRect KXFontManagerCell::cardRect(const QRect& row)
{
    return row.adjusted(kCardInset, 0, -kCardInset, 0);
}

QRect KXFontManagerCell::settingButtonRect(const QRect& row)
{
    const QRect card = cardRect(row);
    return QRect(card.right() - 36, card.top() + 14, 22, 22);
}

QRect KXFontManagerCell::stateIconRect(const QRect& row, int titleWidth)
{
    const QRect card = cardRect(row);
    return QRect(card.left() + 20 + titleWidth + 8, card.top() + 19, 52, 18);
}

QRect KXFontManagerCell::cornerMarkRect(const QRect& row)
{
    const QRect card = cardRect(row);
    return QRect(card.left(), card.top(), 32, 32);
}

KXFontManagerCell::Part KXFontManagerCell::partAt(const QRect& row, const QPoint& point) const
{
    if (settingButtonRect(row).adjusted(-4, -4, 4, 4).contains(point))
        return Part::SettingButton;
    return cardRect(row).contains(point) ? Part::Card : Part::None;
}

QSize KXFontManagerCell::sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const
{
    const auto* list = KXRecordListView::of(option);
    return list ? list->rowSize() : QSize(1, kRowHeight + kRowGap);
}

void KXFontManagerCell::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const Id info = KXRecordListModel::recordOfIndex(index);
    const auto* list = KXRecordListView::of(option);
    const QRect row = list ? list->rowRect(option.rect) : option.rect;
    const QRect card = cardRect(row);
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    // The card's shadow: offset 0, blur 4, black at alpha 0.1.
    for (int spread = 4; spread >= 1; --spread) {
        painter->setPen(Qt::NoPen);
        painter->setBrush(QColor(0, 0, 0, 26 / spread / 2 + 2));
        painter->drawRoundedRect(QRectF(card).adjusted(-spread / 2.0, -spread / 2.0, spread / 2.0, spread / 2.0), 2 + spread / 2.0,
                                 2 + spread / 2.0);
    }
    painter->setBrush(Qt::white);
    painter->drawRoundedRect(QRectF(card), 2, 2);

    const QString title = QString::fromStdString(info["collect_name"].stringValue());
    const QFont titleFont = fontliststyle::systemFont(15);
    painter->setFont(titleFont);
    painter->setPen(QColor(34, 34, 34));
    const int titleRoom = card.width() - 20 - 60 - 52 - 8;
    const QString shown = kx_elidedText(QFontMetrics(titleFont), title, Qt::ElideRight, titleRoom);
    const int titleWidth = QFontMetrics(titleFont).horizontalAdvance(shown);
    painter->drawText(QRect(card.left() + 20, card.top() + 16, titleWidth + 2, 24), Qt::AlignVCenter | Qt::AlignLeft, shown);
    KXImage::imageNamed(KXFolderStateIcon::imageName(info)).draw(*painter, stateIconRect(row, titleWidth));

    style::drawHighlighted(*painter, QRect(card.left() + 20, card.top() + 52, card.width() - 40, 30),
                           KXFavouritesTexts::fontCount(info["font_num"]), 13, QColor(153, 153, 153));
    painter->setFont(fontliststyle::systemFont(12));
    painter->setPen(QColor(170, 170, 170));
    painter->drawText(QRect(card.left() + 20, card.bottom() - 36, card.width() - 40, 20), Qt::AlignVCenter | Qt::AlignLeft,
                      KXFavouritesTexts::plain(info["add_time"]));
    if (info["collect_name"].stringValue() == KXFolderFiling::kDefaultFolderName)
        KXImage::imageNamed("fontManagerDefaultMark").draw(*painter, cornerMarkRect(row));
    const bool menuOpen = settingView_ && settingView_->isVisible() && settingRow_ == index;
    KXImage::imageNamed(menuOpen ? "fontManagerSettingActive" : "fontManagerSetting").draw(*painter, settingButtonRect(row));
    painter->restore();
}

bool KXFontManagerCell::editorEvent(QEvent* event, QAbstractItemModel*, const QStyleOptionViewItem& option, const QModelIndex& index)
{
    if (event->type() != QEvent::MouseButtonRelease || static_cast<QMouseEvent*>(event)->button() != Qt::LeftButton)
        return false;
    auto* list = const_cast<KXRecordListView*>(KXRecordListView::of(option));
    const QRect row = list ? list->rowRect(option.rect) : option.rect;
    switch (partAt(row, static_cast<QMouseEvent*>(event)->position().toPoint())) {
    case Part::SettingButton:
        settingBtnClick(list, index);
        return true;
    case Part::Card:
        hideSettingView();
        emit rowClicked(index.row());
        return true;
    case Part::None:
        hideSettingView();
        break;
    }
    return false;
}

void KXFontManagerCell::makeSettingView(QWidget* parent)
{
    settingView_ = new style::Panel(parent, Qt::white, 2, style::Shadow{QPointF(0, 0), 6, QColor(0, 0, 0, 60)});
    settingView_->resize(kMenuWidth, 3 * kMenuEntryHeight + 8);
    const auto entry = [this](const QString& title, Entry which, int position) {
        auto* button = style::textButton(title, QColor(68, 68, 68), settingView_);
        button->setKXBaseButtonAlignment(Qt::AlignCenter);
        button->setAction([this, which](KXBaseButton*) { menuEntry(which); });
        button->setGeometry(0, 4 + position * kMenuEntryHeight, kMenuWidth, kMenuEntryHeight);
        return button;
    };
    mangerFontBtn_ = entry(QStringLiteral("管理字体"), Entry::Manage, 0);
    reNameBtn_ = entry(QStringLiteral("重命名"), Entry::Rename, 1);
    deleteBtn_ = entry(QStringLiteral("删除"), Entry::Delete, 2);
    settingView_->hide();
}

void KXFontManagerCell::settingBtnClick(KXRecordListView* list, const QModelIndex& index)
{
    if (!list || !index.isValid())
        return;
    if (const auto owner = delegate())
        owner->KXFontManagerCellSettingBtnClick(KXRecordListModel::recordOfIndex(index));
    showSettingView(list, index);
}

void KXFontManagerCell::showSettingView(KXRecordListView* list, const QModelIndex& index)
{
    if (!list || !index.isValid())
        return;
    if (!settingView_ || settingView_->parentWidget() != list->viewport())
        makeSettingView(list->viewport());
    const QRect button = settingButtonRect(list->rowRect(index));
    settingView_->move(button.right() - kMenuWidth + 4, button.bottom() + 4);
    settingRow_ = index;
    settingView_->show();
    settingView_->raise();
    list->viewport()->update();
}

void KXFontManagerCell::hideSettingView()
{
    if (settingView_ && settingView_->isVisible()) {
        settingView_->hide();
        if (settingView_->parentWidget())
            settingView_->parentWidget()->update();
    }
    settingRow_ = QPersistentModelIndex();
}

void KXFontManagerCell::menuEntry(Entry entry)
{
    const Id info = KXRecordListModel::recordOfIndex(settingRow_);
    hideSettingView();
    const auto owner = delegate();
    if (!owner || !info)
        return;
    switch (entry) {
    case Entry::Manage:
        owner->KXFontManagerCellFontManagerBtnClick(info);
        break;
    case Entry::Rename:
        owner->KXFontManagerCellRenameBtnClick(info);
        break;
    case Entry::Delete:
        owner->KXFontManagerCellDeleteBtnClick(info);
        break;
    }
}
