#pragma once

#include <QMainWindow>
#include <QMargins>
#include <QPointer>

#include "Class/Home/KXHomeViewController.h"
#include "Class/Home/KXHomeWindowFit.h"
#include "Class/UIKit/KXScreenGrid.h"

class QAction;

// The main window: the hub as its central widget, a menu bar (exported as the desktop's global
// menu where there is one) with the settings, clearing the image cache, minimise, close and quit.
// It opens 400 x 860 centred on the screen, keeps a minimum of 400 x 680 and, while it is neither
// maximised nor full screen, a maximum of 2000 x 3000 (maximised it fills the screen), and is
// kept, not deleted, when closed. The height it opens with and its minimum height are capped so
// the whole window, the window manager's frame included, fits the screen's available area in the
// screen's own pixels, whatever the scale; the frame is measured again once the window manager
// has framed the window, and the minimum and the window's place again when the screen changes.
class KXHomeWindow : public QMainWindow {
    Q_OBJECT

public:
    static constexpr int kWidth = 400;
    static constexpr int kHeight = 860;
    static constexpr int kMinimumHeight = 680;
    static constexpr int kMaximumWidth = 2000;
    static constexpr int kMaximumHeight = 3000;
    // How long a restore that still has the maximised size is given before the window takes
    // back its normal geometry itself.
    static constexpr double kRestoreGraceSeconds = 0.25;

    // `controller` becomes the central widget (a new hub when nullptr).
    explicit KXHomeWindow(KXHomeViewController* controller = nullptr);

    KXHomeViewController* contentViewController() const { return controller_; }
    QAction* settingsAction() const { return settingsAction_; }
    QAction* cleanCacheAction() const { return cleanCacheAction_; }

    // The client area the window opens with on a screen of `available` geometry, the window
    // manager's frame adding `frame` around it: the framed window centred and inside the area,
    // measured in the device pixels of `grid`.
    static QRect initialFrame(const QRect& available, const QMargins& frame = {}, const KXScreenGrid& grid = {});
    // The minimum height that keeps the framed window inside `available`.
    static int minimumHeight(const QRect& available, const QMargins& frame = {}, const KXScreenGrid& grid = {});
    // `client` moved, and made lower and narrower where it must, so that the framed window lies
    // inside `available` (its top-left corner where the area is too small).
    static QRect keptInside(const QRect& client, const QRect& available, const QMargins& frame, const KXScreenGrid& grid = {});

protected:
    bool event(QEvent* event) override;

private:
    void buildMenu();
    // Tells the fit what the window is now and applies what it answers.
    void fitToScreen();
    void refitToScreen();
    void apply(const KXHomeWindowFit::Change& change);
    void capNormalSize();
    KXHomeWindowFit::Report fitReport() const;
    // Gives back the normal geometry where a restore has left the window at its maximised size.
    void finishRestore();

    KXHomeWindowFit fit_;
    QPointer<KXHomeViewController> controller_;
    QAction* settingsAction_ = nullptr;
    QAction* cleanCacheAction_ = nullptr;
};
