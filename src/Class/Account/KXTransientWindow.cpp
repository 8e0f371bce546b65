#include "Class/Account/KXTransientWindow.h"

#include "Class/UIKit/KXTransientWindows.h"

KXTransientWindow::KXTransientWindow(QWidget* transientParent, const QSize& size)
{
    kx_setUpTransientWindow(this, transientParent, size);
}

void KXTransientWindow::showCentred()
{
    kx_showCentred(this);
}
