#include "Class/AppShell/KXBegainWindow.h"

#include "Class/LayoutWidgets/WidgetView.h"
#include "Lib/LayoutConstraints/LCViewAdditions.h"

#include <QGuiApplication>
#include <QScreen>

using layoutwidgets::lcView;

KXBegainWindow::KXBegainWindow(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint)
{
    setAttribute(Qt::WA_DeleteOnClose, false);
    setWindowTitle(QString());
    resize(kWidth, kHeight);
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect available = screen->availableGeometry();
        move(available.center() - QPoint(kWidth / 2, kHeight / 2));
    }
}

void KXBegainWindow::setContentViewController(QWidget* controller)
{
    content_ = controller;
    if (!controller)
        return;
    controller->setParent(this);
    lc_makeConstraints(lcView(controller), [](LCConstraintMaker& make) { make.edges().equalTo(0); });
}
