#include "Class/Home/KXLeftTabView.h"

#include "Class/Home/KXHomeStyle.h"
#include "Class/LayoutWidgets/WidgetView.h"
#include "Class/UIKit/KXImage.h"
#include "Lib/LayoutConstraints/LCViewAdditions.h"

#include <QEnterEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>

using foundation::Id;
using layoutwidgets::lcView;

KXLeftTabView::KXLeftTabView(QWidget* parent)
    : QWidget(parent)
{
    resize(100, 40);
    setAttribute(Qt::WA_Hover);
}

bool KXLeftTabView::isSectionTitle(const QString& title)
{
    return title == QString::fromUtf8(kFavouritesTitle) || title == QString::fromUtf8(kFollowedTitle);
}

bool KXLeftTabView::isSectionTab() const
{
    return isSectionTitle(identifier_);
}

QLabel* KXLeftTabView::iconImg()
{
    if (!iconImg_) {
        iconImg_ = new QLabel(this);
        iconImg_->setScaledContents(true);
        lc_makeConstraints(lcView(iconImg_), [](LCConstraintMaker& make) {
            make.left().equalTo(4);
            make.centerY().equalTo(0);
            make.width().height().equalTo(20);
        });
    }
    return iconImg_;
}

QLabel* KXLeftTabView::titleLabel()
{
    if (!titleLabel_) {
        QLabel* icon = iconImg();
        titleLabel_ = new QLabel(QStringLiteral("疾风知劲草"), this);
        titleLabel_->setTextFormat(Qt::PlainText);
        titleLabel_->setFont(kxhome::systemFont(12));
        kxhome::setTextColor(titleLabel_, kxhome::kMenuText);
        titleLabel_->adjustSize();
        lc_makeConstraints(lcView(titleLabel_), [icon](LCConstraintMaker& make) {
            make.left().equalTo(lc_right(lcView(icon))).offset(2);
            make.centerY().equalTo(0);
        });
    }
    return titleLabel_;
}

void KXLeftTabView::showIcon(const char* key)
{
    const std::string name = infoD_ ? Id(infoD_)[key].stringValue() : std::string();
    const KXImage image = KXImage::imageNamed(name);
    iconImg()->setPixmap(image.isNull() ? QPixmap() : QPixmap::fromImage(image.image()));
}

void KXLeftTabView::setInfoD(foundation::Ref<foundation::Dictionary> info)
{
    infoD_ = std::move(info);
    showIcon("icon");
    const QString title = QString::fromStdString(Id(infoD_)["title"].stringValue());
    titleLabel()->setText(title);
    titleLabel()->adjustSize();
    if (isSectionTitle(title))
        layOutSection();
}

void KXLeftTabView::layOutIconAndTitle()
{
    QLabel* icon = iconImg();
    lc_remakeConstraints(lcView(titleLabel()), [icon](LCConstraintMaker& make) {
        make.left().equalTo(lc_right(lcView(icon))).offset(2);
        make.centerY().equalTo(0);
    });
    lc_remakeConstraints(lcView(icon), [](LCConstraintMaker& make) {
        make.left().equalTo(4);
        make.centerY().equalTo(0);
        make.width().height().equalTo(20);
    });
}

void KXLeftTabView::layOutSection()
{
    // The icon takes no room, so the section title starts at the menu's edge.
    QLabel* icon = iconImg();
    lc_remakeConstraints(lcView(titleLabel()), [icon](LCConstraintMaker& make) {
        make.left().equalTo(lc_right(lcView(icon))).offset(4);
        make.centerY().equalTo(0);
    });
    lc_remakeConstraints(lcView(icon), [](LCConstraintMaker& make) {
        make.left().equalTo(2);
        make.centerY().equalTo(0);
        make.width().equalTo(0.01);
    });
}

void KXLeftTabView::setSelected(bool selected)
{
    selected_ = selected;
    showIcon(selected ? "iconActive" : "icon");
    kxhome::setTextColor(titleLabel(), selected ? QColor(255, 255, 255) : kxhome::kMenuText);
    update();
}

void KXLeftTabView::setCollapse(bool collapse)
{
    if (collapse) {
        titleLabel()->hide();
        lc_remakeConstraints(lcView(iconImg()), [](LCConstraintMaker& make) {
            make.center().equalTo(0);
            make.width().height().equalTo(20);
        });
        return;
    }
    titleLabel()->show();
    layOutIconAndTitle();
    if (isSectionTab())
        layOutSection();
}

void KXLeftTabView::paintEvent(QPaintEvent* event)
{
    QWidget::paintEvent(event);
    if (selected_) {
        QPainter painter(this);
        painter.fillRect(rect(), Qt::black);
    }
}

void KXLeftTabView::mousePressEvent(QMouseEvent* event)
{
    event->accept();
    if (auto delegate = delegate_.lock())
        delegate->tabViewTouched(this);
}

void KXLeftTabView::enterEvent(QEnterEvent* event)
{
    QWidget::enterEvent(event);
    if (!isSectionTab())
        return;
    if (auto delegate = delegate_.lock())
        delegate->KXLeftTabViewMouseEntered(identifier_);
}

void KXLeftTabView::leaveEvent(QEvent* event)
{
    QWidget::leaveEvent(event);
    if (!isSectionTab())
        return;
    if (auto delegate = delegate_.lock())
        delegate->KXLeftTabViewMouseExited(identifier_);
}
