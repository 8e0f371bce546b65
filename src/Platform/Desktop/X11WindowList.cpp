#include "Platform/Desktop/X11WindowList.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <fstream>
#include <memory>

namespace desktop {
namespace {

struct DisplayCloser {
    void operator()(Display* display) const { XCloseDisplay(display); }
};
using DisplayPtr = std::unique_ptr<Display, DisplayCloser>;

DisplayPtr openDisplay(const std::string& name)
{
    return DisplayPtr(XOpenDisplay(name.empty() ? nullptr : name.c_str()));
}

// The 32-bit items of a window property (Xlib hands them out as longs).
std::vector<unsigned long> cardinalProperty(Display* display, Window window, const char* name, Atom type)
{
    std::vector<unsigned long> values;
    const Atom property = XInternAtom(display, name, True);
    if (property == None)
        return values;
    Atom actualType = None;
    int actualFormat = 0;
    unsigned long count = 0;
    unsigned long remaining = 0;
    unsigned char* data = nullptr;
    const int status = XGetWindowProperty(display, window, property, 0, 65536, False, type, &actualType,
                                          &actualFormat, &count, &remaining, &data);
    if (status == Success && data && actualFormat == 32) {
        const auto* items = reinterpret_cast<const unsigned long*>(static_cast<const void*>(data));
        values.assign(items, items + count);
    }
    if (data)
        XFree(data);
    return values;
}

std::string windowClassName(Display* display, Window window)
{
    XClassHint hint{};
    if (!XGetClassHint(display, window, &hint))
        return {};
    std::string name = hint.res_class ? hint.res_class : "";
    if (hint.res_name)
        XFree(hint.res_name);
    if (hint.res_class)
        XFree(hint.res_class);
    return name;
}

int ignoreErrors(Display*, XErrorEvent*)
{
    return 0; // a window may vanish between listing and reading its properties
}

} // namespace

std::string processName(long pid)
{
    if (pid <= 0)
        return {};
    const std::string folder = "/proc/" + std::to_string(pid);
    std::ifstream comm(folder + "/comm");
    std::string name;
    std::getline(comm, name);
    // The kernel cuts names to 15 bytes; the program's own first argument has the whole name.
    constexpr std::size_t kKernelNameLimit = 15;
    if (name.size() == kKernelNameLimit) {
        std::ifstream cmdline(folder + "/cmdline", std::ios::binary);
        std::string first;
        std::getline(cmdline, first, '\0');
        const std::string base = first.substr(first.find_last_of('/') + 1);
        if (base.size() > name.size() && base.starts_with(name))
            name = base;
    }
    return name;
}

X11WindowList::X11WindowList(std::string displayName)
    : displayName_(std::move(displayName))
{
}

bool X11WindowList::isAvailable(const std::string& displayName)
{
    return openDisplay(displayName) != nullptr;
}

std::vector<WindowInfo> X11WindowList::windowsFrontToBack() const
{
    std::vector<WindowInfo> windows;
    const DisplayPtr display = openDisplay(displayName_);
    if (!display)
        return windows;
    const auto previousHandler = XSetErrorHandler(ignoreErrors);
    const Window root = DefaultRootWindow(display.get());
    auto stacking = cardinalProperty(display.get(), root, "_NET_CLIENT_LIST_STACKING", XA_WINDOW);
    if (stacking.empty())
        stacking = cardinalProperty(display.get(), root, "_NET_CLIENT_LIST", XA_WINDOW);
    // The stacking list runs bottom to top.
    for (auto it = stacking.rbegin(); it != stacking.rend(); ++it) {
        const Window window = *it;
        std::string owner;
        const auto pid = cardinalProperty(display.get(), window, "_NET_WM_PID", XA_CARDINAL);
        if (!pid.empty())
            owner = processName(static_cast<long>(pid.front()));
        if (owner.empty())
            owner = windowClassName(display.get(), window);
        windows.push_back({owner, window});
    }
    XSync(display.get(), False);
    XSetErrorHandler(previousHandler);
    return windows;
}

std::shared_ptr<WindowList> WindowList::systemWindowList()
{
    if (X11WindowList::isAvailable())
        return std::make_shared<X11WindowList>();
    return std::make_shared<EmptyWindowList>();
}

} // namespace desktop
