#include "Class/LayoutWidgets/WindowLayout.h"

#include "Class/LayoutWidgets/WidgetView.h"

#include <QEvent>
#include <QHash>
#include <QMetaObject>
#include <QtGlobal>

namespace layoutwidgets {

namespace {

QHash<const QWidget*, WindowLayout*>& layouts()
{
    static QHash<const QWidget*, WindowLayout*> byWindow;
    return byWindow;
}

} // namespace

WindowLayout& WindowLayout::of(QWidget* window)
{
    if (WindowLayout* existing = layouts().value(window))
        return *existing;
    auto* layout = new WindowLayout(window); // owned by the window as its QObject child
    layouts().insert(window, layout);
    return *layout;
}

WindowLayout::~WindowLayout()
{
    layouts().remove(windowKey_);
}

WindowLayout::WindowLayout(QWidget* window)
    : QObject(window)
    , window_(window)
    , windowKey_(window)
    , engine_(std::make_unique<autolayout::LayoutEngine>(WidgetView::of(window)))
{
    engine_->setLogHandler([](const std::string& line) { qWarning("%s", line.c_str()); });
    window->installEventFilter(this);
}

void WindowLayout::setNeedsLayout()
{
    if (pending_)
        return;
    pending_ = true;
    QMetaObject::invokeMethod(this, [this] { layoutIfNeeded(); }, Qt::QueuedConnection);
}

void WindowLayout::layoutIfNeeded()
{
    if (pending_)
        layout();
}

void WindowLayout::layout()
{
    pending_ = false;
    if (!window_)
        return;
    ++passes_;
    engine_->layout(autolayout::Size { double(window_->width()), double(window_->height()) });
}

bool WindowLayout::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == window_ && event->type() == QEvent::Resize) {
        layout();
        // Filters see the resize before the window's own QLayout does; widgets that layout
        // places move after this, so one more (coalesced) pass follows the event.
        setNeedsLayout();
    }
    return QObject::eventFilter(watched, event);
}

} // namespace layoutwidgets
