#pragma once

#include "Lib/ImageLoading/ILWebDefine.h"

#include <QColor>
#include <QString>
#include <vector>

class QWidget;

namespace imageviewtest {

// An animated GIF of solid frames (one colour each, `delays` seconds each) with a loop count.
foundation::Ref<foundation::Data> animatedGif(const std::vector<QColor>& colours,
    const std::vector<double>& delays, int loopCount, int width = 8, int height = 8);
ILImageRef animatedImage(
    const std::vector<QColor>& colours, const std::vector<double>& delays, int loopCount);
ILImageRef solidImage(const QColor& colour, int width = 10, int height = 10, double scale = 1);
// The colour in the middle of what the widget shows.
QColor centreColour(QWidget* widget);
// Saves widget.grab() as <build>/screenshots/<name>.png.
void saveScreenshot(QWidget& widget, const QString& name);

} // namespace imageviewtest
