#include "Class/UIKit/MLHudAlert.h"

#include "Class/UIKit/KXImage.h"
#include "Class/UIKit/MLHudAlertWindow.h"
#include "Class/UIKit/MLHudLoadingIndicator.h"
#include "Platform/Dispatch/Queue.h"
#include "Platform/Dispatch/TimerSource.h"

#include <QApplication>
#include <QLabel>
#include <QMouseEvent>

// Watches the application's presses; the first left or right press outside the toast closes it.
// The press is never consumed.
class MLHudAlert::ClickMonitor : public QObject {
public:
    explicit ClickMonitor(MLHudAlert& alert)
        : alert_(alert)
    {
        qApp->installEventFilter(this);
    }
    ~ClickMonitor() override
    {
        if (installed_ && qApp)
            qApp->removeEventFilter(this);
    }

    bool installed() const { return installed_; }

    bool eventFilter(QObject* /*watched*/, QEvent* event) override
    {
        if (event->type() != QEvent::MouseButtonPress)
            return false;
        auto* press = static_cast<QMouseEvent*>(event);
        if (press->button() != Qt::LeftButton && press->button() != Qt::RightButton)
            return false;
        // One click closes the toast; the monitor stays disarmed until the next alert.
        qApp->removeEventFilter(this);
        installed_ = false;
        alert_.dismiss();
        return false;
    }

private:
    MLHudAlert& alert_;
    bool installed_ = true;
};

namespace {
MLHudAlert*& sharedSlot()
{
    static MLHudAlert* shared = nullptr;
    return shared;
}
} // namespace

MLHudAlert::MLHudAlert() = default;

MLHudAlert::~MLHudAlert()
{
    cancelDismissTimer();
}

MLHudAlert* MLHudAlert::sharedAlert()
{
    return sharedSlot();
}

const char* MLHudAlert::iconNameForType(int type)
{
    switch (type) {
    case 1:
        return "MLHudAlertWarn";
    case 2:
        return "MLHudAlertError";
    case 3:
        return "MLHudAlertSuccess";
    case kLoading:
        return "";
    default:
        return "MLHudAlertInfo";
    }
}

MLHudAlert& MLHudAlert::shared()
{
    if (!sharedSlot()) {
        // Lives as long as the process, like the rest of the application's shared objects.
        static MLHudAlert instance;
        sharedSlot() = &instance;
    }
    return *sharedSlot();
}

void MLHudAlert::alertWithWindow(QWidget* window, int type, const QString& message)
{
    shared().present(window, type, message);
}

// Shows the message kept for the main window once that window is on screen.
class MLHudAlert::MainWindowWatch final : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Show || event->type() == QEvent::WindowStateChange) {
            auto* window = qobject_cast<QWidget*>(watched);
            MLHudAlert& alert = MLHudAlert::shared();
            if (window && window == alert.mainWindow_ && onScreen(window) && alert.waiting_) {
                const Waiting waiting = *std::exchange(alert.waiting_, std::nullopt);
                // After the show is handled, so that the toast centres on the window's final frame.
                QPointer<QWidget> guard(window);
                dispatch::mainQueue().async([guard, waiting] {
                    if (guard)
                        MLHudAlert::shared().present(guard, waiting.type, waiting.message);
                });
            }
        }
        return false;
    }

    static bool onScreen(const QWidget* window) { return window->isVisible() && !window->isMinimized(); }
};

void MLHudAlert::setMainWindow(QWidget* window)
{
    MLHudAlert& alert = shared();
    if (alert.mainWindow_)
        alert.mainWindow_->removeEventFilter(alert.mainWindowWatch_.get());
    alert.mainWindow_ = window;
    if (!window)
        return;
    if (!alert.mainWindowWatch_)
        alert.mainWindowWatch_ = std::make_unique<MainWindowWatch>();
    window->installEventFilter(alert.mainWindowWatch_.get());
    if (alert.waiting_ && MainWindowWatch::onScreen(window))
        alert.present(window, alert.waiting_->type, std::exchange(alert.waiting_, std::nullopt)->message);
}

void MLHudAlert::alertOverMainWindow(int type, const QString& message)
{
    MLHudAlert& alert = shared();
    QWidget* main = alert.mainWindow_;
    // Before the main window is made (the splash still up at start) or while it is not on screen.
    if (!main || !MainWindowWatch::onScreen(main)) {
        alert.waiting_ = Waiting { type, message };
        return;
    }
    alert.present(main, type, message);
}

void MLHudAlert::dismisWindow()
{
    if (auto* alert = sharedSlot())
        alert->dismiss();
}

MLHudAlertWindow* MLHudAlert::window()
{
    if (!window_) {
        window_ = new MLHudAlertWindow;
        window_->setCornerRadius(13);
        QPalette palette = window_->messageField()->palette();
        palette.setColor(QPalette::WindowText, Qt::white);
        window_->messageField()->setPalette(palette);
    }
    return window_;
}

QLabel* MLHudAlert::iconView()
{
    return window()->iconView();
}

QLabel* MLHudAlert::messageField()
{
    return window()->messageField();
}

MLHudLoadingIndicator* MLHudAlert::loadingIndicator()
{
    return window()->loadingIndicator();
}

void MLHudAlert::present(QWidget* target, int type, const QString& message)
{
    QWidget* parent = target ? target->window() : QApplication::activeWindow();
    if (!parent)
        return;
    alertType_ = type;
    MLHudAlertWindow* toast = window();
    if (type == kLoading) {
        toast->iconView()->hide();
        toast->loadingIndicator()->show();
        toast->loadingIndicator()->startAnimation();
    } else {
        toast->loadingIndicator()->stopAnimation();
        toast->loadingIndicator()->hide();
        toast->iconView()->show();
        toast->iconView()->setPixmap(QPixmap::fromImage(KXImage::imageNamed(iconNameForType(type)).image()));
    }
    // Detach from the previous window before joining the new one, so it never has two.
    if (toast->parentWidget() != parent) {
        toast->hide();
        toast->setParent(nullptr);
        toast->setParent(parent);
    }
    // Sized once it is over its window, which bounds its height.
    toast->setMessage(message.isNull() ? QString() : message);
    showWindow(parent);
}

void MLHudAlert::showWindow(QWidget* /*sender*/)
{
    MLHudAlertWindow* toast = window();
    toast->setAlphaValue(0);
    toast->show();
    toast->raise();
    updateWindowPosition();
    toast->animateAlphaTo(kVisibleAlpha);

    cancelDismissTimer();
    removeClickMonitor();
    // The loading style stays: nothing left by an earlier alert may close it.
    if (alertType_ == kLoading)
        return;
    dismissTimer_ = dispatch::TimerSource::create(dispatch::mainQueue().shared_from_this(), kDismissSeconds, 0,
                                                  [this] {
                                                      dismissTimer_.reset();
                                                      dismiss();
                                                  });
    dismissTimer_->start();
    installClickMonitor();
}

void MLHudAlert::updateWindowPosition()
{
    MLHudAlertWindow* toast = window();
    QWidget* parent = toast->parentWidget();
    if (!parent)
        return;
    toast->move(parent->width() / 2 - toast->width() / 2, parent->height() / 2 - toast->height() / 2);
}

void MLHudAlert::dismiss()
{
    if (window_)
        window_->animateAlphaTo(0);
}

void MLHudAlert::cancelDismissTimer()
{
    if (auto timer = std::exchange(dismissTimer_, nullptr))
        timer->cancel();
}

void MLHudAlert::installClickMonitor()
{
    clickMonitor_ = std::make_unique<ClickMonitor>(*this);
}

void MLHudAlert::removeClickMonitor()
{
    clickMonitor_.reset();
}

bool MLHudAlert::isClickMonitorInstalled() const
{
    return clickMonitor_ && clickMonitor_->installed();
}
