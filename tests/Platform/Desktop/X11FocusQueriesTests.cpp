#include "Platform/Desktop/X11FocusQueries.h"
#include "Support/VirtualDisplay.h"

#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>
#include <memory>
#include <xcb/xcb.h>

namespace {

// One program's connection to the X server, with a window of its own; the second one in a test
// also plays the window manager that names the active window.
class XcbClient {
public:
    explicit XcbClient(const std::string& display)
        : connection_(xcb_connect(display.c_str(), nullptr))
    {
        if (xcb_connection_has_error(connection_))
            return;
        root_ = xcb_setup_roots_iterator(xcb_get_setup(connection_)).data->root;
        window_ = xcb_generate_id(connection_);
        xcb_create_window(connection_, XCB_COPY_FROM_PARENT, window_, root_, 0, 0, 10, 10, 0,
            XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, 0, nullptr);
        free(xcb_get_input_focus_reply(connection_, xcb_get_input_focus(connection_), nullptr));
    }
    ~XcbClient() { xcb_disconnect(connection_); }
    XcbClient(const XcbClient&) = delete;
    XcbClient& operator=(const XcbClient&) = delete;

    bool connected() const { return window_ != 0; }
    xcb_connection_t* connection() const { return connection_; }
    xcb_window_t window() const { return window_; }

    void nameActive(xcb_window_t window)
    {
        constexpr const char* name = "_NET_ACTIVE_WINDOW";
        const std::unique_ptr<xcb_intern_atom_reply_t, decltype(&free)> atom(
            xcb_intern_atom_reply(connection_,
                xcb_intern_atom(connection_, 0, static_cast<uint16_t>(std::strlen(name)), name), nullptr),
            &free);
        ASSERT_TRUE(atom);
        xcb_change_property(
            connection_, XCB_PROP_MODE_REPLACE, root_, atom->atom, XCB_ATOM_WINDOW, 32, 1, &window);
        // A round trip: the property is set once the reply is back.
        free(xcb_get_input_focus_reply(connection_, xcb_get_input_focus(connection_), nullptr));
    }

private:
    xcb_connection_t* connection_;
    xcb_window_t root_ = 0;
    xcb_window_t window_ = 0;
};

} // namespace

// Two programs on one server: the queries over the first program's connection name the window the
// window manager made active and tell the program's own windows from the other's.
TEST(X11FocusQueries, NamesTheActiveWindowAndTellsThisProgramsWindowsFromAnothers)
{
    testsupport::VirtualDisplay display;
    if (display.name().empty())
        GTEST_SKIP() << "no Xvfb";
    XcbClient program(display.name());
    XcbClient another(display.name());
    ASSERT_TRUE(program.connected());
    ASSERT_TRUE(another.connected());
    desktop::X11FocusQueries queries(program.connection());

    EXPECT_EQ(queries.activeWindow(), 0u) << "no window manager has named one yet";
    another.nameActive(another.window());
    EXPECT_EQ(queries.activeWindow(), another.window());
    EXPECT_FALSE(queries.ownsWindow(another.window()));
    EXPECT_TRUE(queries.ownsWindow(program.window()));
    another.nameActive(program.window());
    EXPECT_EQ(queries.activeWindow(), program.window());
    another.nameActive(XCB_NONE);
    EXPECT_EQ(queries.activeWindow(), 0u);
    EXPECT_FALSE(queries.ownsWindow(0));

    // Without a connection (no X server), nothing is known.
    desktop::X11FocusQueries none(nullptr);
    another.nameActive(another.window());
    EXPECT_EQ(none.activeWindow(), 0u);
    EXPECT_FALSE(none.ownsWindow(program.window()));
    EXPECT_FALSE(none.pointerButtonHeld());
}
