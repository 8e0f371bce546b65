// The keys after a dialog closes, on a real X server: another program on a connection of its own,
// which also plays the window manager.
#include "Class/UIKit/KXOpenerKeys.h"
#include "Support/VirtualDisplay.h"

#include <QApplication>
#include <QDialog>
#include <QTest>
#include <QWindow>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <xcb/xcb.h>

namespace {

// Another program with a window of its own, and the window manager: it names the active window
// on the root, and grants every request for the keys it is sent.
class ProgramAndWindowManager {
public:
    explicit ProgramAndWindowManager(const std::string& display)
        : connection_(xcb_connect(display.c_str(), nullptr))
    {
        if (xcb_connection_has_error(connection_))
            return;
        root_ = xcb_setup_roots_iterator(xcb_get_setup(connection_)).data->root;
        activeAtom_ = atom("_NET_ACTIVE_WINDOW");
        // The toolkit asks for the keys in a message to the root window, sent to those that watch
        // the root's own structure or redirect its children's.
        const uint32_t events = XCB_EVENT_MASK_STRUCTURE_NOTIFY;
        xcb_change_window_attributes(connection_, root_, XCB_CW_EVENT_MASK, &events);
        // It takes those requests, as a window manager says on the root window.
        const xcb_atom_t supported = activeAtom_;
        xcb_change_property(connection_, XCB_PROP_MODE_REPLACE, root_, atom("_NET_SUPPORTED"), XCB_ATOM_ATOM,
            32, 1, &supported);
        window_ = xcb_generate_id(connection_);
        xcb_create_window(connection_, XCB_COPY_FROM_PARENT, window_, root_, kAside, 0, 200, 150, 0,
            XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, 0, nullptr);
        xcb_map_window(connection_, window_);
        roundTrip();
    }
    ~ProgramAndWindowManager() { xcb_disconnect(connection_); }
    ProgramAndWindowManager(const ProgramAndWindowManager&) = delete;
    ProgramAndWindowManager& operator=(const ProgramAndWindowManager&) = delete;

    bool connected() const { return window_ != 0; }
    xcb_window_t window() const { return window_; }

    // Grants the requests for the keys that have come, and names the window that has the keys,
    // however it got them, as the active one.
    void serve()
    {
        while (xcb_generic_event_t* event = xcb_poll_for_event(connection_)) {
            if ((event->response_type & 0x7f) == XCB_CLIENT_MESSAGE) {
                const auto* message = reinterpret_cast<const xcb_client_message_event_t*>(event);
                if (message->type == activeAtom_) {
                    ++requests[message->window];
                    giveKeys(message->window);
                }
            }
            free(event);
        }
        const xcb_window_t focused = focus();
        // No window has them: None or PointerRoot.
        const xcb_window_t holder = focused > XCB_INPUT_FOCUS_POINTER_ROOT ? focused : xcb_window_t(XCB_NONE);
        if (holder != named_) {
            named_ = holder;
            xcb_change_property(
                connection_, XCB_PROP_MODE_REPLACE, root_, activeAtom_, XCB_ATOM_WINDOW, 32, 1, &holder);
            roundTrip();
        }
    }

    // The person clicks into `window`, and the window manager gives it the keys.
    void giveKeys(xcb_window_t window)
    {
        xcb_set_input_focus(connection_, XCB_INPUT_FOCUS_PARENT, window, XCB_CURRENT_TIME);
        roundTrip();
        serve();
    }

    // The person moves the program's window, on top, to `x` on the screen.
    void moveTo(int x)
    {
        const uint32_t position[] = { static_cast<uint32_t>(x), 0, XCB_STACK_MODE_ABOVE };
        xcb_configure_window(connection_, window_,
            XCB_CONFIG_WINDOW_X | XCB_CONFIG_WINDOW_Y | XCB_CONFIG_WINDOW_STACK_MODE, position);
        roundTrip();
    }

    xcb_window_t focus()
    {
        const std::unique_ptr<xcb_get_input_focus_reply_t, decltype(&free)> reply(
            xcb_get_input_focus_reply(connection_, xcb_get_input_focus(connection_), nullptr), &free);
        return reply ? reply->focus : XCB_NONE;
    }

    static constexpr int kAside = 500;
    // The requests for the keys, by window.
    std::map<xcb_window_t, int> requests;

private:
    xcb_atom_t atom(const char* name)
    {
        const std::unique_ptr<xcb_intern_atom_reply_t, decltype(&free)> reply(
            xcb_intern_atom_reply(connection_,
                xcb_intern_atom(connection_, 0, static_cast<uint16_t>(std::strlen(name)), name), nullptr),
            &free);
        return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    }
    void roundTrip()
    {
        free(xcb_get_input_focus_reply(connection_, xcb_get_input_focus(connection_), nullptr));
    }

    xcb_connection_t* connection_;
    xcb_window_t root_ = 0;
    xcb_window_t window_ = 0;
    xcb_atom_t activeAtom_ = XCB_ATOM_NONE;
    xcb_window_t named_ = XCB_NONE;
};

// Counts the exposures of one window.
struct Exposures : QObject {
    explicit Exposures(QWindow* window)
        : window(window)
    {
        window->installEventFilter(this);
    }
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == window && event->type() == QEvent::Expose && window->isExposed())
            ++count;
        return false;
    }
    QWindow* window;
    int count = 0;
};

} // namespace

// The person closes a dialog, clicks into another program and moves its window across the main
// window and back: the main window asks for no keys, and the keys stay with that program.
TEST(KXOpenerKeysX11, KeysGivenToAnotherProgramStayThereWhenTheOpenerIsExposed)
{
    testsupport::VirtualDisplay display;
    if (display.name().empty())
        GTEST_SKIP() << "no Xvfb";
    ProgramAndWindowManager other(display.name());
    ASSERT_TRUE(other.connected());
    qputenv("DISPLAY", QByteArray::fromStdString(display.name()));
    qputenv("QT_QPA_PLATFORM", "xcb");
    int argc = 1;
    char name[] = "UIKitX11Tests";
    char* argv[] = { name, nullptr };
    QApplication application(argc, argv);
    ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb"));
    // Waits for `done` while the window manager serves; once done, it has named where the keys went.
    const auto served = [&](const std::function<bool()>& done) {
        const bool reached = QTest::qWaitFor([&] {
            other.serve();
            return done();
        });
        other.serve();
        return reached;
    };

    kx_handKeysBackToOpeners();
    QWidget main;
    main.setGeometry(0, 0, 400, 300);
    QDialog dialog(&main);
    dialog.setGeometry(50, 50, 200, 100);
    main.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&main));
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        dialog.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
        // The person clicks into the dialog.
        other.giveKeys(static_cast<xcb_window_t>(dialog.winId()));
        ASSERT_TRUE(served([&] { return QApplication::activeWindow() == &dialog; }));
        QTest::keyClick(&dialog, Qt::Key_Escape);
        // As the dialog goes, the window manager hands the keys to the window below it.
        other.giveKeys(static_cast<xcb_window_t>(main.winId()));
        ASSERT_TRUE(served([&] { return QApplication::activeWindow() == &main; }))
            << "the main window has the keys";

        other.giveKeys(other.window());
        ASSERT_TRUE(served([&] { return QGuiApplication::focusWindow() == nullptr; }));
        other.requests.clear();
        Exposures exposures(main.windowHandle());
        other.moveTo(100);
        other.moveTo(ProgramAndWindowManager::kAside);
        ASSERT_TRUE(served([&] { return exposures.count > 0; }));
        // The turns a request for the keys would take to reach the window manager.
        for (int turn = 0; turn < 3; ++turn) {
            QApplication::processEvents();
            QApplication::sync();
            other.serve();
        }
        EXPECT_EQ(other.requests[static_cast<xcb_window_t>(main.winId())], 0);
        EXPECT_EQ(other.focus(), other.window());
        EXPECT_EQ(QGuiApplication::focusWindow(), nullptr);
    }
}
