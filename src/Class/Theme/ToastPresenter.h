#pragma once

#include <memory>
#include <string>

// The styles of the toast. Values outside this list show as Info.
enum class ToastStyle : int {
    Info = 0,
    Warning = 1,
    Error = 2,
    Success = 3,
    // Shows a spinner and stays until something dismisses it.
    Loading = 4,
};

// The window a toast is shown over, as an opaque handle so that code without widgets can name
// one. The widget kit reads it as the top-level widget; nullptr stands for the application's
// active window. `mainWindow` names the client's main window whatever is active: a message that
// reaches the person there once that window shows, if it is not showing yet (at start, behind the
// splash).
struct ToastWindow {
    void* handle = nullptr;
    bool mainWindow = false;

    static ToastWindow main() { return ToastWindow { nullptr, true }; }
};

// How code that must not depend on widgets (the service core) shows a short message over a
// window. The widget kit installs the implementation when the application starts; without one,
// messages are dropped. Main thread only.
class ToastPresenter {
public:
    virtual ~ToastPresenter() = default;

    // Shows `message` in `style` over `window`, replacing a toast already on screen; it closes by
    // itself after a moment or at a click outside it, except in the Loading style.
    virtual void show(const std::string& message, ToastStyle style, ToastWindow window) = 0;
    // Fades out the toast on screen, if any.
    virtual void dismiss() = 0;

    // The installed presenter, or null.
    static std::shared_ptr<ToastPresenter> shared();
    static void setShared(std::shared_ptr<ToastPresenter> presenter);
};
