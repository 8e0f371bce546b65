#include "Class/Account/KXTransientWindow.h"

#include "Class/UIKit/KXTransientWindows.h"

#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>

#include <algorithm>

KXTransientWindow::KXTransientWindow(QWidget* transientParent, const QSize& size, const QString& title)
{
    kx_setUpTransientWindow(this, transientParent, size, title);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    scrollArea_ = new QScrollArea(this);
    scrollArea_->setFrameShape(QFrame::NoFrame);
    scrollArea_->setWidgetResizable(true);
    // Only a frame that lets a window too small for its form scroll. Taking the keys on a click
    // would let a click on a link or on blank space take them from the form's field, and the
    // window swallows the keys its children leave unhandled.
    scrollArea_->setFocusPolicy(Qt::NoFocus);
    contentView_ = new QWidget;
    keepContentAtLeast(size);
    scrollArea_->setWidget(contentView_);
    // The content paints as it did straight on the window.
    contentView_->setAutoFillBackground(false);
    layout->addWidget(scrollArea_);
}

void KXTransientWindow::setDesignedSize(const QSize& size)
{
    kx_setDesignedSize(this, size);
    keepContentAtLeast(size);
    // A new form starts at its top: the place the old one was scrolled to would cut its heading.
    scrollArea_->verticalScrollBar()->setValue(0);
    scrollArea_->horizontalScrollBar()->setValue(0);
}

void KXTransientWindow::setNarrowestContentWidth(int width)
{
    narrowestContentWidth_ = width;
    keepContentAtLeast(kx_designedSize(this));
}

void KXTransientWindow::keepContentAtLeast(const QSize& designed)
{
    const int width = narrowestContentWidth_ < 0 ? designed.width() : std::min(narrowestContentWidth_, designed.width());
    contentView_->setMinimumSize(width, designed.height());
}

void KXTransientWindow::showCentred()
{
    kx_showCentred(this);
}
