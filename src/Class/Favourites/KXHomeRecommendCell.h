#pragma once

#include "Platform/Foundation/Object.h"

#include <QRect>
#include <QString>
#include <QStyledItemDelegate>

class KXRecordListView;

// The card of a public collection, painted for the rows in view of the recommended and the followed
// collections pages: a white card (border black at alpha 0.1, corner radius 2, a soft shadow) with
// the cover, the author's round avatar (radius 9), the collection's name, the author's name, and
// the visits and followers counts in grey (capped at "9999+" and "99+"). Covers and avatars load
// through the list's image loads. A click on the card is the page's row click. Main thread only.
class KXHomeRecommendCell : public QStyledItemDelegate {
    Q_OBJECT

public:
    static constexpr const char* kIdentifier = "KXHomeRecommendCellID";
    static constexpr int kRowHeight = 280;
    static constexpr int kRowGap = 15;

    // What a card shows of its record (`setDataDic:`).
    struct Card {
        QString title;
        QString author;
        QString visits;
        QString followers;
        std::string cover;
        std::string avatar;
    };
    static Card card(const foundation::Id& dataDic);

    explicit KXHomeRecommendCell(QObject* parent = nullptr);

    static QRect cardRect(const QRect& row);
    static QRect coverRect(const QRect& row);
    static QRect avatarRect(const QRect& row);

    void paint(
        QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    bool editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
        const QModelIndex& index) override;

signals:
    void rowClicked(int row);
};
