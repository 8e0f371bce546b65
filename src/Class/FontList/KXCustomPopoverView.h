#pragma once

#include <QPointF>
#include <QStringList>
#include <QWidget>

#include <functional>
#include <memory>

class KXBaseButton;

// A drop-down list of titles: one button 20 high per title (the first kMostItems), the first at the top,
// under a small white triangle on the top edge that points at `trianglePoint`. The caller places it; a click
// on a title reports the index of the first item with that title. Nothing in the client creates one. Points
// are given as the platform gives them, y-up in the superview; hide() shrinks the view to nothing at the
// triangle point. Main thread only.
class KXCustomPopoverView : public QWidget {
    Q_OBJECT

public:
    using Action = std::function<void(long long index)>;
    static constexpr int kItemHeight = 20;
    // At most this many titles get a button, the first: 50 lines stand taller than a screen.
    static constexpr int kMostItems = 50;

    // nullptr for an empty item list.
    static std::unique_ptr<KXCustomPopoverView> initWithItems(const QStringList& items, double width, QPointF triangleLocation,
                                                              Action action);
    // Makes one and shows it.
    static std::unique_ptr<KXCustomPopoverView> popWithDataArray(const QStringList& items, double width, QPointF triangleLocation,
                                                                 Action action);

    const QStringList& tableData() const { return tableData_; }
    double width() const { return width_; }
    QPointF trianglePoint() const { return trianglePoint_; }
    const std::vector<KXBaseButton*>& buttons() const { return buttons_; }

    // The opening animation (it changes nothing visible) and the closing one.
    void show();
    void hide();
    void itemsClick(KXBaseButton* button);
    // The triangle's corners in the view's own top-down coordinates.
    QPolygonF trianglePolygon() const;

    KXCustomPopoverView(const QStringList& items, double width, QPointF triangleLocation, Action action);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QStringList tableData_;
    double width_;
    QPointF trianglePoint_;
    Action action_;
    std::vector<KXBaseButton*> buttons_;
};
