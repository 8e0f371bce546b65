#include "Platform/Desktop/X11WindowList.h"

#include "Support/TempHome.h"
#include "Support/VirtualDisplay.h"

#include <gtest/gtest.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace {

using testsupport::VirtualDisplay;

// Plays the window manager: makes windows and publishes their stacking order on the root window.
class WindowManagerStandIn {
public:
    explicit WindowManagerStandIn(const std::string& display)
        : display_(XOpenDisplay(display.c_str()))
    {
    }
    ~WindowManagerStandIn()
    {
        if (display_)
            XCloseDisplay(display_);
    }
    WindowManagerStandIn(const WindowManagerStandIn&) = delete;
    WindowManagerStandIn& operator=(const WindowManagerStandIn&) = delete;

    bool connected() const { return display_ != nullptr; }

    Window window(long pid, const char* windowClass)
    {
        const Window window = XCreateSimpleWindow(display_, DefaultRootWindow(display_), 0, 0, 10, 10, 0, 0, 0);
        if (pid > 0) {
            const unsigned long value = static_cast<unsigned long>(pid);
            XChangeProperty(display_, window, XInternAtom(display_, "_NET_WM_PID", False), XA_CARDINAL, 32,
                            PropModeReplace, reinterpret_cast<const unsigned char*>(&value), 1);
        }
        if (windowClass) {
            XClassHint hint{const_cast<char*>("instance"), const_cast<char*>(windowClass)};
            XSetClassHint(display_, window, &hint);
        }
        return window;
    }

    void publish(const char* property, std::vector<unsigned long> bottomToTop)
    {
        XChangeProperty(display_, DefaultRootWindow(display_), XInternAtom(display_, property, False), XA_WINDOW, 32,
                        PropModeReplace, reinterpret_cast<const unsigned char*>(bottomToTop.data()),
                        static_cast<int>(bottomToTop.size()));
        XSync(display_, False);
    }

    void remove(const char* property)
    {
        XDeleteProperty(display_, DefaultRootWindow(display_), XInternAtom(display_, property, False));
        XSync(display_, False);
    }

private:
    Display* display_;
};

std::vector<std::string> owners(const desktop::WindowList& list)
{
    std::vector<std::string> names;
    for (const auto& window : list.windowsFrontToBack())
        names.push_back(window.ownerName);
    return names;
}

} // namespace

TEST(X11WindowList, ListsTheStackingOrderFrontToBackByProcessName)
{
    VirtualDisplay display;
    if (display.name().empty())
        GTEST_SKIP() << "no Xvfb";
    WindowManagerStandIn manager(display.name());
    ASSERT_TRUE(manager.connected());
    const Window ours = manager.window(::getpid(), "Ignored Because The Process Has A Name");
    const Window classOnly = manager.window(0, "Adobe Photoshop 2024");
    const Window server = manager.window(display.pid(), nullptr);
    manager.publish("_NET_CLIENT_LIST_STACKING", {ours, classOnly, server});
    manager.publish("_NET_CLIENT_LIST", {server});

    desktop::X11WindowList list(display.name());
    EXPECT_TRUE(desktop::X11WindowList::isAvailable(display.name()));
    EXPECT_EQ(owners(list), (std::vector<std::string>{"Xvfb", "Adobe Photoshop 2024", "DesktopTests"}));
    const auto windows = list.windowsFrontToBack();
    ASSERT_EQ(windows.size(), 3u);
    EXPECT_EQ(windows.front().windowId, server);

    // A window manager without a stacking list still names its clients.
    manager.remove("_NET_CLIENT_LIST_STACKING");
    EXPECT_EQ(owners(list), (std::vector<std::string>{"Xvfb"}));
    manager.remove("_NET_CLIENT_LIST");
    EXPECT_TRUE(owners(list).empty());
}

TEST(X11WindowList, WithoutADisplayTheListIsEmpty)
{
    desktop::X11WindowList list(":987654");
    EXPECT_FALSE(desktop::X11WindowList::isAvailable(":987654"));
    EXPECT_TRUE(list.windowsFrontToBack().empty());
}

TEST(X11WindowList, NamesAProcessFromProc)
{
    EXPECT_EQ(desktop::processName(::getpid()), "DesktopTests");
    EXPECT_EQ(desktop::processName(0), "");
    EXPECT_EQ(desktop::processName(-1), "");
}

TEST(X11WindowList, ALongProcessNameIsNotCutShort)
{
    const auto dir = testsupport::makeScratchDir("longname");
    const auto program = dir / "Microsoft PowerPoint";
    std::filesystem::copy_file("/bin/sleep", program);
    char* argv[] = {const_cast<char*>(program.c_str()), const_cast<char*>("30"), nullptr};
    pid_t pid = 0;
    ASSERT_EQ(posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv, environ), 0);
    // The kernel renames the child part-way through exec and only then lays out its arguments, so
    // for a moment /proc shows the cut name with no command line; a loaded machine can stay in
    // that window for a while. Wait for the exec to finish rather than counting attempts.
    std::string name;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (name != "Microsoft PowerPoint" && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::yield();
        name = desktop::processName(pid);
    }
    ::kill(pid, SIGTERM);
    ::waitpid(pid, nullptr, 0);
    EXPECT_EQ(name, "Microsoft PowerPoint");
}
