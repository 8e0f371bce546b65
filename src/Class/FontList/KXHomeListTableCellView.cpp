#include "Class/FontList/KXHomeListTableCellView.h"

#include "Class/FontList/Core/KXLicenceLinkSchedule.h"
#include "Class/FontList/KXFontListModel.h"
#include "Class/FontList/KXFontTableView.h"
#include "Class/FontList/KXLocalNameImages.h"
#include "Class/FontList/KXPreviewLoads.h"
#include "Class/ServiceCore/Catalogue/KXUserCenterConfig.h"
#include "Class/ServiceCore/Transport/KXGlobalDataBase.h"
#include "Class/Theme/KXThemeManager.h"
#include "Class/UIKit/KXOpenFailedAlert.h"
#include "Platform/Graphics/Image.h"
#include "Platform/Storage/UserDefaults.h"

#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>

using Target = KXRowPainter::Target;

namespace {

const KXFontTableView* tableOf(const QStyleOptionViewItem& option)
{
    return qobject_cast<const KXFontTableView*>(option.widget);
}

} // namespace

KXHomeListTableCellView::KXHomeListTableCellView(QObject* parent)
    : QStyledItemDelegate(parent)
{
}

QRect KXHomeListTableCellView::rowRect(const QRect& itemRect, const KXFontTableView* table)
{
    const int height = table ? static_cast<int>(std::lround(table->rowHeight())) : itemRect.height();
    return QRect(itemRect.topLeft(), QSize(itemRect.width(), std::min(height, itemRect.height())));
}

KXPreviewBox KXHomeListTableCellView::previewBox(const QRect& rowRect, const KXFontTableView& table)
{
    // A preview is drawn inside its row, fitted to it.
    return KXPreviewBox::of(rowRect.size(), table.devicePixelRatioF());
}

std::string KXHomeListTableCellView::previewURL(const KXFontBaseModel& record) const
{
    if (KXRowLook::marks(record).showsLocalName)
        return {};
    return KXRowLook::previewURL(record, cellType_, KXThemeManager::themeManager().isNight(),
                                 KXGlobalDataBase::sharedKXGlobalDataBase().isEnLanguage());
}

KXRowPainter::Row KXHomeListTableCellView::rowFor(const KXFontBaseModel& record, const QRect& rowRect, const KXFontTableView* table) const
{
    const std::string url = previewURL(record);
    QSizeF previewSize;
    if (table && !url.empty()) {
        if (const auto image = table->previews().imageForURL(url, previewBox(rowRect, *table)))
            previewSize = image->size();
    }
    KXRowPainter::Row row = painter_.layout(record, cellType_, rowRect.size(), previewSize);
    row.previewURL = url;
    return row;
}

void KXHomeListTableCellView::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const auto record = KXFontListModel::recordOfIndex(index);
    if (!record)
        return;
    paintCount_ += 1;
    prepareRecord(*record);
    const KXFontTableView* table = tableOf(option);
    const QRect area = rowRect(option.rect, table);
    const KXRowPainter::Row row = rowFor(*record, area, table);

    KXRowPainter::State state;
    if (table) {
        state.hovered = table->hoveredIndex() == index;
        state.titleHovered = table->isTitleHovered(index);
        table->licenceLinks().recordShown(record);
        state.licenceShowing = table->licenceLinks().isShowing(*record);
        if (!row.previewURL.empty())
            state.preview = table->previews().imageForURL(row.previewURL, previewBox(area, *table));
        if (row.marks.showsLocalName) {
            const double ratio = painter->device() ? painter->device()->devicePixelRatio() : 1.0;
            state.localName = table->localNames().imageFor(record, KXRowPainter::localNameRequest(*record, row.geometry, ratio));
        }
    }
    painter_.paint(*painter, area, *record, row, state);
}

QSize KXHomeListTableCellView::sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const
{
    const KXFontTableView* table = tableOf(option);
    // The width is the list's: a row is as wide as the viewport.
    return QSize(1, table ? table->rowPitch() : 93);
}

Target KXHomeListTableCellView::targetAt(const KXFontTableView& table, const QModelIndex& index, const QPoint& viewportPoint) const
{
    const auto record = KXFontListModel::recordOfIndex(index);
    if (!record)
        return Target::None;
    const QRect area = rowRect(table.visualRect(index), &table);
    if (!area.contains(viewportPoint))
        return Target::None;
    const KXRowPainter::Row row = rowFor(*record, area, &table);
    return KXRowPainter::hitTest(row, viewportPoint - area.topLeft(), table.licenceLinks().isShowing(*record));
}

bool KXHomeListTableCellView::editorEvent(QEvent* event, QAbstractItemModel*, const QStyleOptionViewItem& option, const QModelIndex& index)
{
    const KXFontTableView* table = tableOf(option);
    const auto type = event->type();
    if (!table || (type != QEvent::MouseButtonPress && type != QEvent::MouseButtonRelease && type != QEvent::MouseButtonDblClick))
        return false;
    const auto* mouse = static_cast<QMouseEvent*>(event);
    if (mouse->button() != Qt::LeftButton)
        return false;
    const Target target = targetAt(*table, index, mouse->position().toPoint());
    const auto record = KXFontListModel::recordOfIndex(index);
    if (type == QEvent::MouseButtonRelease) {
        const bool same = pressedIndex_ == index && pressedTarget_ == target && target != Target::Title;
        pressedIndex_ = QPersistentModelIndex();
        pressedTarget_ = Target::None;
        if (same && target != Target::None)
            activate(target, record, table);
        return target != Target::None;
    }
    pressedIndex_ = index;
    pressedTarget_ = target;
    // The title acts on the press, as a text link does; the buttons on the release inside them.
    if (target == Target::Title && type == QEvent::MouseButtonPress)
        activate(target, record, table);
    return target != Target::None;
}

void KXHomeListTableCellView::activate(Target target, const foundation::Ref<KXFontBaseModel>& record, const QWidget* table)
{
    if (!record)
        return;
    const auto owner = delegate();
    auto& defaults = foundation::UserDefaults::standardUserDefaults();
    switch (target) {
    case Target::Row:
        if (owner)
            owner->cellMouseDown(record);
        if (KXUserCenterConfig::sharedKXUserCenterConfig().islogin())
            KXRowLook::countActivation(*KXGlobalDataBase::sharedKXGlobalDataBase().activation(), record->fontid);
        break;
    case Target::Title:
        if (owner && KXRowLook::titleIsLink(*record))
            owner->fontTitleClick(record->fontid);
        break;
    case Target::Favourite:
        if (owner)
            owner->collectionBtnClick(record);
        break;
    case Target::Heartbeat:
        KXOpenFailedAlert::openURL(table, KXRowLook::heartbeatURL(defaults));
        break;
    case Target::LicenceLink:
        KXOpenFailedAlert::openURL(table, KXRowLook::licenceURL(defaults));
        break;
    case Target::None:
        break;
    }
}

bool KXHomeListTableCellView::helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                                        const QModelIndex& index)
{
    const KXFontTableView* table = qobject_cast<const KXFontTableView*>(view);
    if (table && event->type() == QEvent::ToolTip && targetAt(*table, index, event->pos()) == Target::Heartbeat) {
        QToolTip::showText(event->globalPos(), QString::fromUtf8(KXRowPainter::kHeartbeatToolTip), view);
        return true;
    }
    return QStyledItemDelegate::helpEvent(event, view, option, index);
}
