#pragma once

#include <QMainWindow>
#include <QPointer>

#include "Class/Home/KXHomeViewController.h"

class QAction;

// The main window: the hub as its central widget, a menu bar (exported as the desktop's global
// menu where there is one) with the settings, clearing the image cache, minimise, close and quit.
// It opens 400 x 860 centred on the screen (clamped to what the screen offers), keeps a minimum
// of 400 x 680 and a maximum of 2000 x 3000, and is kept, not deleted, when closed.
class KXHomeWindow : public QMainWindow {
    Q_OBJECT

public:
    static constexpr int kWidth = 400;
    static constexpr int kHeight = 860;

    // `controller` becomes the central widget (a new hub when nullptr).
    explicit KXHomeWindow(KXHomeViewController* controller = nullptr);

    KXHomeViewController* contentViewController() const { return controller_; }
    QAction* settingsAction() const { return settingsAction_; }
    QAction* cleanCacheAction() const { return cleanCacheAction_; }

    // The frame the window opens with on a screen of `available` geometry.
    static QRect initialFrame(const QRect& available);

private:
    void buildMenu();

    QPointer<KXHomeViewController> controller_;
    QAction* settingsAction_ = nullptr;
    QAction* cleanCacheAction_ = nullptr;
};
