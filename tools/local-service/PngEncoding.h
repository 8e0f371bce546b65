#pragma once

#include <QImage>

#include <string>

namespace localservice {

// The PNG bytes of an image ("" when it cannot be encoded). The service answers on its own
// threads, where Qt's image writers must not run: in a process without a QCoreApplication their
// plugins, loaded on a thread that has ended, corrupt the heap at exit. This encoder has no plugins.
std::string encodePng(const QImage& image);

} // namespace localservice
