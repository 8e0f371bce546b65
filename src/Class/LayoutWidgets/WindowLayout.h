#pragma once

#include "Platform/AutoLayout/LayoutEngine.h"

#include <QObject>
#include <QPointer>
#include <QWidget>

#include <memory>

namespace layoutwidgets {

// The layout of one top-level window: one solver for all the constraints under it. A resize of
// the window lays it out at once; any other change (constraints added, removed or changed, size
// hints invalidated) schedules one pass on the event loop, however many changes come before it.
// Geometry is applied top-down. GUI thread only; destroyed with its window.
class WindowLayout final : public QObject {
public:
    static WindowLayout& of(QWidget* window);
    ~WindowLayout() override;

    // Schedules a pass; several calls before it runs make one.
    void setNeedsLayout();
    // Runs a pending pass now.
    void layoutIfNeeded();
    // Runs a pass now, pending or not.
    void layout();
    int passCount() const { return passes_; }
    autolayout::LayoutEngine& engine() { return *engine_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    explicit WindowLayout(QWidget* window);

    QPointer<QWidget> window_;
    const QWidget* windowKey_;
    std::unique_ptr<autolayout::LayoutEngine> engine_;
    bool pending_ = false;
    int passes_ = 0;
};

} // namespace layoutwidgets
