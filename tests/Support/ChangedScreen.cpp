#include "Support/ChangedScreen.h"

#include <QCoreApplication>
#include <QScreen>
#include <qpa/qwindowsysteminterface.h>

namespace testsupport {

ChangedScreen::ChangedScreen(QScreen* screen)
    : screen_(screen)
    , geometry_(screen->geometry())
    , available_(screen->availableGeometry())
{
}

ChangedScreen::~ChangedScreen()
{
    change(geometry_, available_);
}

void ChangedScreen::change(const QRect& geometry, const QRect& available)
{
    QWindowSystemInterface::handleScreenGeometryChange(screen_, geometry, available);
    QWindowSystemInterface::flushWindowSystemEvents();
    QCoreApplication::processEvents();
}

} // namespace testsupport
