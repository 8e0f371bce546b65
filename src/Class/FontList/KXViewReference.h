#pragma once

#include "Platform/Foundation/Object.h"

#include <QPointer>
#include <QRect>
#include <QWidget>

// A view as the object of a notification ("cellBuyCartsClick", the live-scroll notifications):
// the view itself, watched, so an observer that runs after the view is gone finds nothing; its tag
// (the font id for a row's cart button); and where it was on the screen when posted, for pop-ups
// that start from it.
class KXViewReference final : public foundation::Object {
public:
    static foundation::Ref<KXViewReference> create(QWidget* view, long long tag = 0);

    QPointer<QWidget> view;
    long long tag = 0;
    QRect globalRect;
};
