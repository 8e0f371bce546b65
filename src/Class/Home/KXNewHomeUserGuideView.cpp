#include "Class/Home/KXNewHomeUserGuideView.h"

#include "Class/AppShell/KXAnimatedImage.h"
#include "Class/Home/KXHomeStyle.h"
#include "Class/ImageViews/ImageView.h"
#include "Class/UIKit/KXBaseButton.h"
#include "Class/UIKit/KXPictureAndButton.h"
#include "Class/UIKit/KXRemoveFromSuperview.h"

#include <QEvent>
#include <QKeyEvent>
#include <QPainter>


namespace {

// The guide's button: a filled, rounded background under the kit's title.
class FilledButton : public KXBaseButton {
public:
    FilledButton(QColor fill, double radius)
        : fill_(fill)
        , radius_(radius)
    {
    }

protected:
    void paintEvent(QPaintEvent* event) override
    {
        {
            QPainter painter(this);
            painter.setRenderHint(QPainter::Antialiasing);
            painter.setPen(Qt::NoPen);
            painter.setBrush(fill_);
            painter.drawRoundedRect(QRectF(rect()), radius_, radius_);
        }
        KXBaseButton::paintEvent(event);
    }

private:
    QColor fill_;
    double radius_;
};

} // namespace

KXNewHomeUserGuideView::KXNewHomeUserGuideView(QWidget* parent)
    : KXBaseView(parent)
{
    setUPUI();
    if (parent)
        viewDidMoveToSuperview();
}

void KXNewHomeUserGuideView::setUPUI()
{
    imgV_ = new ImageView(this);
    imgV_->setImageScaling(ImageScaling::ProportionallyUpOrDown);
    sureBtn_ = new FilledButton(QColor(255, 225, 43), 19);
    sureBtn_->setParent(this);
    sureBtn_->setTitle(QStringLiteral("我知道了"));
    sureBtn_->setNormalFont(kxhome::systemFont(16));
    sureBtn_->setNormalColor(QColor(68, 68, 68));
    sureBtn_->setKXBaseButtonAlignment(2);
    sureBtn_->setAction([this](KXBaseButton*) { kx_removeFromSuperview(this); });

    setFocusPolicy(Qt::StrongFocus);
    layOut();
}

void KXNewHomeUserGuideView::layOut()
{
    // At full size the picture sits 30 above the middle with the button 24 below it.
    const auto placed = KXPictureAndButton::within(size(), QSize(300, 380), QSize(160, 38), 24, 30);
    imgV_->setGeometry(placed.picture);
    sureBtn_->setGeometry(placed.button);
}

void KXNewHomeUserGuideView::resizeEvent(QResizeEvent* event)
{
    KXBaseView::resizeEvent(event);
    layOut();
}

void KXNewHomeUserGuideView::showEvent(QShowEvent* event)
{
    KXBaseView::showEvent(event);
    // The guide covers the whole window: the keys are its own until it is dismissed.
    setFocus(Qt::OtherFocusReason);
}

bool KXNewHomeUserGuideView::isUppermost() const
{
    // An overlay opened over the guide (the update prompt on a first start) is the one the user
    // sees and answers; the guide keeps its keys until it is uncovered.
    const QWidget* parent = parentWidget();
    if (!parent)
        return true;
    const QObjectList& siblings = parent->children();
    for (auto it = siblings.rbegin(); it != siblings.rend() && *it != this; ++it) {
        const auto* sibling = qobject_cast<const QWidget*>(*it);
        if (sibling && sibling->isVisible() && !sibling->isWindow() && sibling->geometry().intersects(geometry()))
            return false;
    }
    return true;
}

void KXNewHomeUserGuideView::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Escape:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (isUppermost()) {
            sureBtn_->click();
            return;
        }
        break;
    default:
        KXBaseView::keyPressEvent(event);
    }
}

bool KXNewHomeUserGuideView::event(QEvent* event)
{
    if (event->type() == QEvent::ParentChange && parentWidget())
        viewDidMoveToSuperview();
    return KXBaseView::event(event);
}

void KXNewHomeUserGuideView::viewDidMoveToSuperview()
{
    if (animating_)
        return;
    animating_ = true;
    imgV_->setAnimates(true);
    imgV_->setImage(kx_animatedImageNamed("newUserGuide"));
}

void KXNewHomeUserGuideView::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    painter.fillRect(rect(), QColor::fromRgbF(0, 0, 0, kBackgroundOpacity));
    KXBaseView::paintEvent(event);
}
