#pragma once

#include "Class/Theme/ToastPresenter.h"

// Shows the service core's messages in the shared toast. The window handle is a QWidget*.
class MLHudAlertPresenter final : public ToastPresenter {
public:
    // Makes the toast the application's presenter.
    static void install();

    void show(const std::string& message, ToastStyle style, ToastWindow window) override;
    void dismiss() override;
};
