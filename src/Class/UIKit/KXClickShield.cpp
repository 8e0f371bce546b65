#include "Class/UIKit/KXClickShield.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPointer>
#include <QWidget>
#include <QWindow>
#include <optional>

namespace {

class ClickShield : public QObject {
public:
    explicit ClickShield(QObject* parent)
        : QObject(parent)
    {
    }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        // Mouse events as the windows receive them, before they go to a widget.
        if (!watched->isWindowType())
            return false;
        switch (event->type()) {
        case QEvent::MouseMove:
        case QEvent::Enter:
            if (last_ && static_cast<QSinglePointEvent*>(event)->globalPosition() != last_->spot)
                last_.reset();
            return false;
        case QEvent::MouseButtonPress:
            return press(static_cast<QWindow*>(watched), *static_cast<QMouseEvent*>(event));
        case QEvent::MouseButtonDblClick:
            return holding_;
        case QEvent::MouseButtonRelease: {
            const bool held = holding_;
            if (static_cast<QMouseEvent*>(event)->buttons() == Qt::NoButton)
                holding_ = false;
            return held;
        }
        default:
            return false;
        }
    }

private:
    struct Press {
        QPointF spot;
        QPointer<QWidget> target;
    };

    // The widget a press at `spot` (global) into `window` goes to. The window may be one inside a
    // top-level window (a widget that asked for its window's id makes itself and its siblings
    // windows of their own): the widget is found from the top-level one, as the widget tree has it.
    static QWidget* targetOf(const QWindow* window, QPointF spot)
    {
        const QWindow* topLevel = window;
        while (topLevel && topLevel->parent())
            topLevel = topLevel->parent();
        for (QWidget* top : QApplication::topLevelWidgets()) {
            if (top->windowHandle() == topLevel) {
                QWidget* child = top->childAt(top->mapFromGlobal(spot.toPoint()));
                return child ? child : top;
            }
        }
        return nullptr;
    }

    bool press(const QWindow* window, const QMouseEvent& event)
    {
        // A menu or a grab decides where its own presses go.
        if (QApplication::activePopupWidget() || QWidget::mouseGrabber())
            return false;
        const QPointF spot = event.globalPosition();
        QWidget* target = targetOf(window, spot);
        if (holding_)
            return true;
        if (last_ && last_->spot == spot && last_->target != target) {
            holding_ = true;
            return true;
        }
        last_ = Press { spot, target };
        return false;
    }

    std::optional<Press> last_;
    bool holding_ = false;
};

} // namespace

void kx_installClickShield()
{
    static QPointer<ClickShield> shield;
    if (shield || !qApp)
        return;
    shield = new ClickShield(qApp);
    qApp->installEventFilter(shield);
}
