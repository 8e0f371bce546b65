#include "Lib/ImageLoading/ILMainScreen.h"

#include <QGuiApplication>
#include <QScreen>
#include <algorithm>
#include <atomic>

namespace {

std::atomic<double>& mainScreenScale()
{
    static std::atomic<double> scale { 1.0 };
    return scale;
}

} // namespace

double ILMainScreenScale()
{
    return mainScreenScale().load(std::memory_order_relaxed);
}

void ILSetMainScreenScale(double scale)
{
    mainScreenScale().store(std::max(1.0, scale), std::memory_order_relaxed);
}

void ILUpdateMainScreenScale()
{
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return;
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        ILSetMainScreenScale(screen->devicePixelRatio());
}
