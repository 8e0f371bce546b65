#pragma once

#include "Platform/Desktop/FocusQueries.h"

struct xcb_connection_t;

namespace desktop {

// Asks over the program's own connection to the X server (not one of its own), so that a question
// is answered only after every event the server sent the program before it: once an answer is
// back, the events it sent earlier (a press it replayed) have reached the program. A null
// connection answers nothing. The connection must outlive the queries.
class X11FocusQueries final : public FocusQueries {
public:
    explicit X11FocusQueries(xcb_connection_t* connection);

    bool pointerButtonHeld() override;
    // _NET_ACTIVE_WINDOW of the first screen's root window.
    unsigned long activeWindow() override;
    // Whether the id lies in the range the server gave this connection for the windows it makes.
    bool ownsWindow(unsigned long window) override;

private:
    xcb_connection_t* connection_;
    unsigned int activeWindowAtom_ = 0;
};

} // namespace desktop
