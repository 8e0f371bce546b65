#include "Class/UIKit/KXScreenChanges.h"

#include "Class/UIKit/KXTransientWindows.h"

#include <QEvent>
#include <QPointer>
#include <QScreen>
#include <QWidget>

#include <utility>

namespace {

constexpr const char* kScreenChangeWatch = "kxScreenChangeWatch";

// Follows the screen the window is on: Qt tells the window that it changed screens, and the
// screen that its geometry or scale changed.
class ScreenChangeWatch : public QObject {
public:
    ScreenChangeWatch(QWidget* window, std::function<void()> refit)
        : QObject(window)
        , window_(window)
        , refit_(std::move(refit))
    {
        setObjectName(QLatin1String(kScreenChangeWatch));
        window->installEventFilter(this);
        follow(window->screen());
    }

    void setRefit(std::function<void()> refit) { refit_ = std::move(refit); }

    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::ScreenChangeInternal) {
            if (follow(window_->screen()))
                refit();
        } else if (event->type() == QEvent::Show) {
            follow(window_->screen());
        }
        return false;
    }

private:
    bool follow(QScreen* screen)
    {
        if (screen == screen_)
            return false;
        if (screen_)
            disconnect(screen_, nullptr, this, nullptr);
        screen_ = screen;
        if (!screen)
            return true;
        connect(screen, &QScreen::geometryChanged, this, [this] { refit(); });
        connect(screen, &QScreen::availableGeometryChanged, this, [this] { refit(); });
        connect(screen, &QScreen::logicalDotsPerInchChanged, this, [this] { refit(); });
        connect(screen, &QScreen::physicalDotsPerInchChanged, this, [this] { refit(); });
        return true;
    }

    void refit()
    {
        if (window_->isVisible() && refit_)
            refit_();
    }

    QWidget* window_;
    QPointer<QScreen> screen_;
    std::function<void()> refit_;
};

} // namespace

void kx_refitOnScreenChange(QWidget* window, std::function<void()> refit)
{
    if (!window)
        return;
    if (auto* watch = window->findChild<QObject*>(QLatin1String(kScreenChangeWatch), Qt::FindDirectChildrenOnly))
        static_cast<ScreenChangeWatch*>(watch)->setRefit(std::move(refit));
    else
        new ScreenChangeWatch(window, std::move(refit));
}

void kx_refitToScreen(QWidget* window)
{
    if (!window || !window->isVisible() || window->isMaximized() || window->isFullScreen())
        return;
    const QRect sized(window->geometry().topLeft(), kx_fittedSize(window, kx_designedSize(window)));
    kx_setWindowGeometry(window, kx_keptOnScreen(window, sized));
}
