#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>

class KXAppSettingViewController;

// The settings window's controller, made from the interface file "KXAppSettingWindowController":
// a window transient for the main window (the platform's level 11 above it, never above other
// programs), with the system frame, an empty title and only a close button, whose content is a
// new KXAppSettingViewController. The window is kept, not deleted, when closed; the controller
// owns it. Main thread only.
class KXAppSettingWindowController : public QObject {
    Q_OBJECT

public:
    static constexpr int kWidth = 420;
    static constexpr int kHeight = 200;
    // The window's name in the window manager's frame and task bar.
    static constexpr const char* kTitle = "设置";

    explicit KXAppSettingWindowController(const QString& windowNibName, QWidget* transientParent = nullptr);
    ~KXAppSettingWindowController() override;

    const QString& windowNibName() const { return windowNibName_; }
    QWidget* window() const { return window_.data(); }
    KXAppSettingViewController* contentViewController() const { return content_; }
    // Brings the window to the front and activates it, centred over its parent's window (or the
    // screen); on Wayland the compositor places it.
    void showCentred();

private:
    QString windowNibName_;
    QPointer<QWidget> window_;
    KXAppSettingViewController* content_ = nullptr;
};
