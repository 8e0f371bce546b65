#pragma once

#include <QStringList>
#include <QWidget>

#include <functional>
#include <vector>

class KXCustomPopoverCell;

// The list of the sort popover: one row 25 high per title, the current title marked; a click on a
// row calls the action with its index (a click below the last row selects nothing). Once shown in
// a pop-up window it gives that window the palette's RightBGC frame (one MyPopoverBackgroundView
// behind everything). Main thread only.
class MyPopoverRootView : public QWidget {
    Q_OBJECT

public:
    static constexpr int kRowHeight = 25;
    using Action = std::function<void(int row)>;

    explicit MyPopoverRootView(QWidget* parent = nullptr);

    void setTitles(QStringList titles) { titles_ = std::move(titles); }
    const QStringList& titles() const { return titles_; }
    void setSelectedTitle(QString title) { selectedTitle_ = std::move(title); }
    void setAction(Action action) { action_ = std::move(action); }
    // Lays the rows out again from the titles and the selected title, reusing the row views.
    void reloadData();
    KXCustomPopoverCell* cellAtRow(int row) const;
    int rowAtPoint(const QPoint& point) const;

protected:
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QStringList titles_;
    QString selectedTitle_;
    Action action_;
    std::vector<KXCustomPopoverCell*> cells_;
};
