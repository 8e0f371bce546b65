#pragma once

#include "Class/SearchFilter/KXFilterCells.h"

#include <QWidget>

#include <memory>

class QLabel;

// The title row of a filter category: the category's name in rgb(131,131,131), 11 from the left
// and 10 from the top, 150 wide, and at the right an arrow that shows whether the category's tags
// are shown. A click on the row sends headArrorClick with the row's number. GUI thread only.
class KXHomeFilterViewHeaderCell : public QWidget {
    Q_OBJECT

public:
    explicit KXHomeFilterViewHeaderCell(QWidget* parent = nullptr);

    std::shared_ptr<KXHomeFilterViewHeaderCellDelegate> delegate() const { return delegate_.lock(); }
    void setDelegate(std::weak_ptr<KXHomeFilterViewHeaderCellDelegate> delegate) { delegate_ = std::move(delegate); }

    const QString& title() const { return title_; }
    void setTitle(const QString& title);
    long long groupID() const { return groupID_; }
    void setGroupID(long long groupID) { groupID_ = groupID; }
    bool isCollapsed() const { return collapsed_; }
    void setCollapsed(bool collapsed);
    QLabel* titleLabel() const { return titleLabel_; }

    void arowBftnClick();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    std::weak_ptr<KXHomeFilterViewHeaderCellDelegate> delegate_;
    QLabel* titleLabel_;
    QString title_;
    long long groupID_ = 0;
    bool collapsed_ = false;
};
