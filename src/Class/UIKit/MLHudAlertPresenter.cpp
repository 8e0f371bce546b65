#include "Class/UIKit/MLHudAlertPresenter.h"

#include "Class/UIKit/MLHudAlert.h"

#include <QWidget>

void MLHudAlertPresenter::install()
{
    ToastPresenter::setShared(std::make_shared<MLHudAlertPresenter>());
}

void MLHudAlertPresenter::show(const std::string& message, ToastStyle style, ToastWindow window)
{
    if (window.mainWindow) {
        MLHudAlert::alertOverMainWindow(static_cast<int>(style), QString::fromStdString(message));
        return;
    }
    MLHudAlert::alertWithWindow(static_cast<QWidget*>(window.handle), static_cast<int>(style),
                                QString::fromStdString(message));
}

void MLHudAlertPresenter::dismiss()
{
    MLHudAlert::dismisWindow();
}
