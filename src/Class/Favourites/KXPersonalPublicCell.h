#pragma once

#include "Platform/Foundation/Object.h"

#include <QRect>
#include <QStyledItemDelegate>

// The row of the published-folders list, painted for the rows in view: a white card (border black
// at alpha 0.1, corner radius 2) with the folder's cover, its review-state icon (KXFolderStateIcon)
// and its name. Covers load through the list's image loads. Main thread only.
class KXPersonalPublicCell : public QStyledItemDelegate {
    Q_OBJECT

public:
    static constexpr const char* kIdentifier = "KXPersonalPublicCellID";
    static constexpr int kRowHeight = 250;
    static constexpr int kRowGap = 15;

    explicit KXPersonalPublicCell(QObject* parent = nullptr);

    static QRect cardRect(const QRect& row);
    static QRect imgRect(const QRect& row);
    static QRect statesRect(const QRect& row);

    void paint(
        QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};
