#include "Platform/Desktop/X11FocusQueries.h"

#include <cstdlib>
#include <cstring>
#include <memory>
#include <xcb/xcb.h>
#include <xcb/xproto.h>

namespace desktop {

X11FocusQueries::X11FocusQueries(xcb_connection_t* connection)
    : connection_(connection && !xcb_connection_has_error(connection) ? connection : nullptr)
{
}

bool X11FocusQueries::pointerButtonHeld()
{
    if (!connection_)
        return false;
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection_)).data;
    if (!screen)
        return false;
    const std::unique_ptr<xcb_query_pointer_reply_t, decltype(&free)> reply(
        xcb_query_pointer_reply(connection_, xcb_query_pointer(connection_, screen->root), nullptr), &free);
    constexpr uint16_t buttons
        = XCB_BUTTON_MASK_1 | XCB_BUTTON_MASK_2 | XCB_BUTTON_MASK_3 | XCB_BUTTON_MASK_4 | XCB_BUTTON_MASK_5;
    return reply && (reply->mask & buttons);
}

unsigned long X11FocusQueries::activeWindow()
{
    if (!connection_)
        return 0;
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection_)).data;
    if (!screen)
        return 0;
    if (!activeWindowAtom_) {
        // Only if it exists: without a window manager that names one, there is no active window.
        constexpr const char* name = "_NET_ACTIVE_WINDOW";
        const std::unique_ptr<xcb_intern_atom_reply_t, decltype(&free)> atom(
            xcb_intern_atom_reply(connection_,
                xcb_intern_atom(connection_, 1, static_cast<uint16_t>(std::strlen(name)), name), nullptr),
            &free);
        if (!atom || atom->atom == XCB_ATOM_NONE)
            return 0;
        activeWindowAtom_ = atom->atom;
    }
    const std::unique_ptr<xcb_get_property_reply_t, decltype(&free)> property(
        xcb_get_property_reply(connection_,
            xcb_get_property(connection_, 0, screen->root, activeWindowAtom_, XCB_ATOM_WINDOW, 0, 1),
            nullptr),
        &free);
    if (!property || property->format != 32 || xcb_get_property_value_length(property.get()) < 4)
        return 0;
    xcb_window_t window = 0;
    std::memcpy(&window, xcb_get_property_value(property.get()), sizeof window);
    return window;
}

bool X11FocusQueries::ownsWindow(unsigned long window)
{
    if (!connection_ || window == 0)
        return false;
    const xcb_setup_t* setup = xcb_get_setup(connection_);
    return (window & ~static_cast<unsigned long>(setup->resource_id_mask)) == setup->resource_id_base;
}

} // namespace desktop
