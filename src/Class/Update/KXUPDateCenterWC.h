#pragma once

#include "Class/Account/KXTransientWindow.h"

#include <QObject>
#include <QString>

class KXUPDateCenterVC;

// The updater window's controller, made from the interface file "KXUPDateCenterWC": a window
// transient for the main window (the platform's level 11 above it), system frame with an empty
// title and only a close button, content a new KXUPDateCenterVC, which starts the download at
// once, laid out to the width the window is fitted to. The module label becomes "更新错误". The
// main window keeps the controller for its whole life: showing it again never restarts a download.
// Main thread only.
class KXUPDateCenterWC : public QObject {
    Q_OBJECT

public:
    static constexpr int kWidth = 900;
    static constexpr int kHeight = 280;
    // The content follows a window narrowed by a small screen down to this width, which still
    // holds each of its lines; it scrolls sideways only below it.
    static constexpr int kNarrowestWidth = 480;
    // The window's name in the window manager's frame and task bar.
    static constexpr const char* kTitle = "软件更新";

    explicit KXUPDateCenterWC(const QString& windowNibName, QWidget* transientParent = nullptr);
    ~KXUPDateCenterWC() override;

    const QString& windowNibName() const { return windowNibName_; }
    KXTransientWindow* window() const;
    KXUPDateCenterVC* contentViewController() const { return content_; }
    void showCentred();

private:
    QString windowNibName_;
    KXOwnedWindow window_;
    KXUPDateCenterVC* content_ = nullptr;
};
