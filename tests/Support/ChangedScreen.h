#pragma once

#include <QRect>

class QScreen;

namespace testsupport {

// Tells Qt that a screen took another size, as the window system does when a monitor is switched
// or the screen is resized (xrandr): the screen reports the new geometry and available area and
// emits its signals. The geometry the screen had comes back when the object goes.
class ChangedScreen {
public:
    explicit ChangedScreen(QScreen* screen);
    ~ChangedScreen();
    ChangedScreen(const ChangedScreen&) = delete;
    ChangedScreen& operator=(const ChangedScreen&) = delete;

    void change(const QRect& geometry, const QRect& available);

private:
    QScreen* screen_;
    QRect geometry_;
    QRect available_;
};

} // namespace testsupport
