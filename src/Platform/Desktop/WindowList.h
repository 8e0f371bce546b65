#pragma once

#include <memory>
#include <string>
#include <vector>

namespace desktop {

// One on-screen window as the window server lists it.
struct WindowInfo {
    std::string ownerName; // the name of the program that owns the window
    unsigned long windowId = 0;
};

// The window server's list of on-screen windows, front to back. Implementations are thread-safe.
class WindowList {
public:
    virtual ~WindowList() = default;
    virtual std::vector<WindowInfo> windowsFrontToBack() const = 0;

    // The list of this session: X11 when a display can be opened, else an empty list.
    static std::shared_ptr<WindowList> systemWindowList();
};

// For sessions without a window server that can be asked (Wayland without X11, no display).
class EmptyWindowList final : public WindowList {
public:
    std::vector<WindowInfo> windowsFrontToBack() const override { return {}; }
};

} // namespace desktop
