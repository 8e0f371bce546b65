#pragma once

#include <QString>

class QWidget;

namespace shelltest {

// Lays the window out, paints it and saves it as <build>/screenshots/<name>.png; returns the path.
QString saveScreenshot(QWidget* widget, const QString& name);

} // namespace shelltest
