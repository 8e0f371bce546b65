#pragma once

#include "Platform/Desktop/WindowList.h"

#include <string>

namespace desktop {

// Reads the window manager's stacking list (_NET_CLIENT_LIST_STACKING, else _NET_CLIENT_LIST) of
// the default screen and names each window after its process (_NET_WM_PID, then the process's
// name in /proc), falling back to the class of WM_CLASS. Opens its own display connection on every
// call, so it may be used from any thread.
class X11WindowList final : public WindowList {
public:
    // `displayName` empty: $DISPLAY.
    explicit X11WindowList(std::string displayName = {});
    std::vector<WindowInfo> windowsFrontToBack() const override;

    // Whether a display can be opened now.
    static bool isAvailable(const std::string& displayName = {});

private:
    std::string displayName_;
};

// The name of process `pid` as /proc/<pid>/comm gives it, completed from the program's first
// argument when the kernel cut it short; empty when unknown.
std::string processName(long pid);

} // namespace desktop
