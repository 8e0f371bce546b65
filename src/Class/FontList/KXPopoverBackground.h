#pragma once

#include <QEvent>
#include <QObject>
#include <QWidget>

// The frame colour of a pop-up: a background view of `Background`'s kind behind everything in
// the pop-up's window, sized with the window. A window gets one, however often its content is
// shown again.
template <class Background>
void kx_placePopoverBackground(QWidget* content)
{
    QWidget* window = content ? content->window() : nullptr;
    if (!window || window == content)
        return;
    for (QObject* child : window->children()) {
        if (qobject_cast<Background*>(child))
            return;
    }
    auto* background = new Background(window);
    background->setGeometry(window->rect());
    background->lower();
    background->show();
    background->followWindowSize();
}
