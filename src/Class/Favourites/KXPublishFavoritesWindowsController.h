#pragma once

#include "Class/Account/KXTransientWindow.h"

#include <QObject>
#include <QString>

class KXPublishFavoritesViewController;

// The publish window, made from the interface file "KXPublishFavoritesWindowsController": transient
// for the main window (kept above it, never above other programs), the system frame with an empty
// title, its content the publish form (KXPublishFavoritesViewController). Making it sets the module
// label "公开收藏夹". A submission the service accepted closes it. Closing hides it; its opener keeps it and
// shows it again. Main thread only.
class KXPublishFavoritesWindowsController : public QObject {
    Q_OBJECT

public:
    static constexpr int kWidth = 720;
    static constexpr int kHeight = 660;
    // The module's label, which also names the window to the window manager.
    static constexpr const char* kModule = "公开收藏夹";

    explicit KXPublishFavoritesWindowsController(
        const QString& windowNibName, QWidget* transientParent = nullptr);
    ~KXPublishFavoritesWindowsController() override;

    const QString& windowNibName() const { return windowNibName_; }
    KXTransientWindow* window() const;
    KXPublishFavoritesViewController* contentViewController() const { return content_; }
    // Brings the window to the front, centred; a form without folders asks for them again.
    void showWindow();

private:
    void windowDidLoad();

    QString windowNibName_;
    KXOwnedWindow window_;
    KXPublishFavoritesViewController* content_ = nullptr;
};
