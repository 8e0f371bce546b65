#pragma once

#include <QLabel>
#include <QWidget>

// One choice of the sort popover: its title centred (12 points left of the middle), in the
// palette's sortingViewSelected colour when it is the current choice, sortingViewNormol otherwise.
// Main thread only.
class KXCustomPopoverCell : public QWidget {
    Q_OBJECT

public:
    explicit KXCustomPopoverCell(QWidget* parent = nullptr);

    const QString& titleString() const { return titleString_; }
    void setTitleString(const QString& title);
    bool isSelected() const { return isSelected_; }
    void setIsSelected(bool selected);
    QLabel* showTF() const { return showTF_; }

private:
    QString titleString_;
    bool isSelected_ = false;
    QLabel* showTF_;
};
