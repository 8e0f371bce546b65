#pragma once

#include <QString>

// A tooltip that shows `text` exactly as written. A tooltip takes anything that looks like markup
// as rich text, so text from the service or the user is escaped inside an explicit rich-text
// wrapper. An empty text stays empty: no tooltip.
QString kx_plainToolTip(const QString& text);
