#include "Class/Home/KXHomeWindowFit.h"

#include "Class/Home/KXHomeWindow.h"

KXHomeWindowFit::Change KXHomeWindowFit::update(const Report& report, const QRect& available, const KXScreenGrid& grid)
{
    if (report.state & (Qt::WindowMaximized | Qt::WindowFullScreen)) {
        zoomed_ = true;
        return {};
    }
    if (report.state & Qt::WindowMinimized)
        return {};
    if (zoomed_) {
        zoomed_ = false;
        if (report.client.size() != normalSize_)
            restoringFrom_ = report.client.size();
    }
    if (restoringFrom_) {
        if (report.client.size() == *restoringFrom_)
            return {};
        restoringFrom_.reset();
    }
    normalSize_ = report.client.size();
    if (report.frame == fittedFrame_)
        return {};
    fittedFrame_ = report.frame;
    Change change;
    change.minimumHeight = KXHomeWindow::minimumHeight(available, report.frame, grid);
    const QRect fitted = KXHomeWindow::keptInside(report.client, available, report.frame, grid);
    if (fitted != report.client)
        change.client = fitted;
    return change;
}
