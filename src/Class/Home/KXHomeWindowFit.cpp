#include "Class/Home/KXHomeWindowFit.h"

#include "Class/Home/KXHomeWindow.h"

namespace {

constexpr Qt::WindowStates kZoomedStates = Qt::WindowMaximized | Qt::WindowFullScreen;

} // namespace

KXHomeWindowFit::Change KXHomeWindowFit::update(const Report& report, const QRect& available, const KXScreenGrid& grid)
{
    if (report.state & Qt::WindowMinimized)
        return {};
    if (report.state & kZoomedStates) {
        zoomed_ = true;
        restoring_ = false;
        // A window manager that sizes a restored window before it says so reports the normal
        // size here: that is not the maximised one.
        if (!normal_ || report.client.size() != normal_->size())
            zoomedSize_ = report.client.size();
        return {};
    }
    Change change;
    if (zoomed_) {
        zoomed_ = false;
        restoring_ = normal_ && zoomedSize_ && report.client.size() == *zoomedSize_ && normal_->size() != *zoomedSize_;
        change.restoreUnderWay = restoring_;
    }
    if (minimumAtRestore_)
        change.minimumHeight = give(*minimumAtRestore_);
    if (restoring_) {
        if (report.client.size() == *zoomedSize_)
            return change;
        restoring_ = false;
    }
    // Sized and moved by a maximise that is not said yet.
    if (coversArea(report, available, grid))
        return change;
    const Change fitted = fitNormal(report, available, grid);
    normal_ = fitted.client.value_or(report.client);
    if (fitted.minimumHeight)
        change.minimumHeight = fitted.minimumHeight;
    change.client = fitted.client;
    return change;
}

KXHomeWindowFit::Change KXHomeWindowFit::screenChanged(const Report& report, const QRect& available, const KXScreenGrid& grid)
{
    if (!available.isValid())
        return {};
    const bool normal = !(report.state & (kZoomedStates | Qt::WindowMinimized));
    // The frame measured last on a normal window; a window not framed yet has none to go by.
    const QMargins frame = normal && !report.frame.isNull() ? report.frame : fittedFrame_;
    Change change;
    fittedFrame_ = frame;
    fittedArea_ = available;
    minimumHeight_ = KXHomeWindow::minimumHeight(available, frame, grid);
    // A maximised window given a minimum above its height is resized, and a window manager takes
    // that for leaving the maximised state: a raised minimum waits for the restore.
    if ((report.state & kZoomedStates) && givenMinimum_ && *minimumHeight_ > *givenMinimum_)
        minimumAtRestore_ = minimumHeight_;
    else
        change.minimumHeight = give(*minimumHeight_);
    if (normal_)
        normal_ = KXHomeWindow::keptInside(*normal_, available, frame, grid);
    if (!normal || restoring_)
        return change;
    const QRect fitted = KXHomeWindow::keptInside(report.client, available, frame, grid);
    normal_ = fitted;
    if (fitted != report.client)
        change.client = fitted;
    return change;
}

std::optional<QRect> KXHomeWindowFit::restoreLeftBehind(const Report& report)
{
    if (!restoring_ || (report.state & (kZoomedStates | Qt::WindowMinimized)) || report.client.size() != *zoomedSize_)
        return std::nullopt;
    restoring_ = false;
    return normal_;
}

bool KXHomeWindowFit::coversArea(const Report& report, const QRect& available, const KXScreenGrid& grid)
{
    if (!available.isValid())
        return false;
    const QRect inside = grid.deviceAreaInside(available);
    const QRect outer = grid.toDevice(report.client).marginsAdded(grid.deviceMargins(report.frame));
    // Its extent, not its place: the size may come before the move.
    return outer.height() >= inside.height()
        && (outer.width() >= inside.width() || report.client.width() >= KXHomeWindow::kMaximumWidth);
}

KXHomeWindowFit::Change KXHomeWindowFit::fitNormal(const Report& report, const QRect& available, const KXScreenGrid& grid)
{
    if (report.frame == fittedFrame_)
        return {};
    const int minimumHeight = KXHomeWindow::minimumHeight(available, report.frame, grid);
    // A frame that would raise the minimum on the same area is thinner than the normal window's:
    // the maximised window's, measured early or late.
    if (minimumHeight_ && available == fittedArea_ && minimumHeight > *minimumHeight_)
        return {};
    fittedFrame_ = report.frame;
    fittedArea_ = available;
    minimumHeight_ = minimumHeight;
    Change change;
    change.minimumHeight = give(minimumHeight);
    const QRect fitted = KXHomeWindow::keptInside(report.client, available, report.frame, grid);
    if (fitted != report.client)
        change.client = fitted;
    return change;
}

int KXHomeWindowFit::give(int minimumHeight)
{
    givenMinimum_ = minimumHeight;
    minimumAtRestore_.reset();
    return minimumHeight;
}
