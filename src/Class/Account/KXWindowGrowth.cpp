#include "Class/Account/KXWindowGrowth.h"

#include "Class/UIKit/KXTransientWindows.h"
#include "Platform/Dispatch/Clock.h"
#include "Platform/Dispatch/Queue.h"

#include <QEasingCurve>
#include <QPointer>
#include <QWidget>

#include <memory>

namespace {

constexpr double kStep = 1.0 / 60;

struct Growth {
    QPointer<QWidget> window;
    QRect from;
    QRect to;
    double duration = 0;
    dispatch::Clock::TimePoint start;
    QEasingCurve curve{QEasingCurve::BezierSpline};
    std::function<void()> completion;

    void step(const std::shared_ptr<Growth>& self)
    {
        if (!window)
            return;
        const double elapsed = std::chrono::duration<double>(dispatch::Clock::current()->now() - start).count();
        // The last step lands on the duration itself, give or take the clock's rounding.
        const double t = duration > 0 && elapsed < duration - 1e-6 ? elapsed / duration : 1.0;
        const double p = curve.valueForProgress(t);
        const auto mix = [p](int a, int b) { return static_cast<int>(std::lround(a + (b - a) * p)); };
        const QRect frame(QPoint(mix(from.x(), to.x()), mix(from.y(), to.y())),
                          QSize(mix(from.width(), to.width()), mix(from.height(), to.height())));
        if (kx_canMoveWindows())
            kx_setWindowGeometry(window, frame);
        else
            kx_resizeWindow(window, frame.size());
        if (t >= 1) {
            if (completion)
                completion();
            return;
        }
        dispatch::mainQueue().after(kStep, [self] { self->step(self); });
    }
};

} // namespace

void kx_growWindow(QWidget* window, const QRect& target, double duration, std::function<void()> completion)
{
    auto growth = std::make_shared<Growth>();
    growth->window = window;
    growth->from = window->geometry();
    growth->to = target;
    growth->duration = duration;
    growth->start = dispatch::Clock::current()->now();
    growth->curve.addCubicBezierSegment(QPointF(0.42, 0), QPointF(1, 1), QPointF(1, 1));
    growth->completion = std::move(completion);
    growth->step(growth);
}
