#include "ScreenshotSupport.h"

#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <QWidget>

namespace shelltest {

QString saveScreenshot(QWidget* widget, const QString& name)
{
    const QByteArray binary = qgetenv("CORVANE_BINARY_DIR");
    const QString dir = (binary.isEmpty() ? QDir::currentPath() : QString::fromLocal8Bit(binary)) + "/screenshots";
    QDir().mkpath(dir);
    // Two rounds: one delivers the layout request, the next runs the pass it scheduled.
    QApplication::processEvents();
    QApplication::processEvents();
    const QString path = dir + "/" + name + ".png";
    widget->grab().save(path);
    return path;
}

} // namespace shelltest
