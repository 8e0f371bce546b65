#pragma once

#include <QColor>
#include <QRect>
#include <QString>
#include <QStyledItemDelegate>

#include <functional>

// The row of both side tables, as the tables' item delegate: the folder's (or collection's) name
// in the 12-point system font, one line cut at the tail, 7 points from the left and 10 from the
// right (40 while the left menu is collapsed, read from KXHomeProcessState::menuExpanded), on the
// menu's grey. A selected row shows a white title on white at 20 %; the row under the pointer
// gets that background too, and its name as tooltip (the model's tooltip). Which row is
// selected is the hub's rule, asked at every paint. Nothing is made per row. Main thread only.
class KXHomeGroupCell : public QStyledItemDelegate {
    Q_OBJECT

public:
    static constexpr int kRowHeight = 25;
    static constexpr const char* kGroupIdentifier = "groupcellID";
    static constexpr const char* kFollowIdentifier = "followcellID";
    static constexpr const char* kPlaceholderTitle = "疾风知劲草";

    struct Look {
        QColor title;
        QColor background;
    };
    // Selected: white on white at 20 %; hovered: the grey title on white at 20 %; else the grey
    // title on the menu's grey.
    static Look look(bool selected, bool hovered);
    // Where the title goes in a cell.
    static QRect titleRect(const QRect& cell, bool menuExpanded);

    // `isSelected` answers whether a row has the selected look.
    KXHomeGroupCell(QString identifier, std::function<bool(int row)> isSelected, QObject* parent = nullptr);

    const QString& identifier() const { return identifier_; }
    bool isRowSelected(int row) const { return isSelected_ && isSelected_(row); }

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    QString identifier_;
    std::function<bool(int row)> isSelected_;
};
