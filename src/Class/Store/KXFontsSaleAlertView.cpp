#include "Class/Store/KXFontsSaleAlertView.h"

#include "Class/LayoutWidgets/WidgetView.h"
#include "Class/Store/Core/KXStoreTexts.h"
#include "Class/Store/KXFontSaleBuyView.h"
#include "Class/Store/KXStoreBox.h"
#include "Class/Store/KXStoreButton.h"
#include "Class/Store/KXStoreImages.h"
#include "Class/Store/KXStoreStyle.h"
#include "Class/Store/KXStoreTextLabel.h"
#include "Lib/LayoutConstraints/LCViewAdditions.h"

#include <QLabel>
#include <QPainter>

using foundation::Id;
using layoutwidgets::lcView;

KXFontsSaleAlertView::KXFontsSaleAlertView(QWidget* parent)
    : KXBaseView(parent)
    , detailHover_(std::make_shared<KXBaseButtonDelegate>())
{
    setUPUI();
}

KXFontsSaleAlertView::~KXFontsSaleAlertView() = default;

void KXFontsSaleAlertView::setUPUI()
{
    KXStoreBox::applyShadow(this, QColor(0, 0, 0, 51), { 0, -3 }, 7);
    contextLabel_ = storestyle::plainLabel({}, 12, storestyle::kTextGrey, this);
    contextLabel_->setWordWrap(true);
    contextLabel_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    priceLabel_ = new KXStoreTextLabel(this);
    priceLabel_->setTextColor(storestyle::kStoreRed);
    priceLabel_->setTextFont(storestyle::systemFont(12));
    origLabel_ = new KXStoreTextLabel(this);
    origLabel_->setTextColor(QColor(153, 153, 153));
    origLabel_->setTextFont(storestyle::systemFont(12));
    auto* line = new KXStoreBox(this, storestyle::kSeparator);

    detailBtn_ = storestyle::titledButton(QStringLiteral("查看详情"), storestyle::kDetailTitle, 12, this);
    detailBtn_->setImagePosition(KXBaseButton::ImagePosition::Trailing);
    detailBtn_->setImage(storeimages::alertNormal());
    detailBtn_->setSelectedColor(storestyle::kStoreRed);
    detailBtn_->setLayerBackground(Qt::white);
    detailBtn_->setAction([this](KXBaseButton*) { detailBtnClick(); });
    detailBtn_->setDelegate(detailHover_);
    QPointer<KXStoreButton> button(detailBtn_);
    detailHover_->kxbasebuttonMouseEntered = [button](KXBaseButton*) {
        if (!button)
            return;
        button->setNormalColor(storestyle::kStoreRed);
        button->setKXBaseButtonAlignment(0);
        button->setImage(storeimages::alertHighlight());
    };
    detailHover_->kxbasebuttonMouseExited = [button](KXBaseButton*) {
        if (!button)
            return;
        button->setNormalColor(storestyle::kDetailTitle);
        button->setKXBaseButtonAlignment(0);
        button->setImage(storeimages::alertNormal());
    };

    lc_makeConstraints(lcView(contextLabel_), [](LCConstraintMaker& make) {
        make.left().equalTo(12);
        make.right().equalTo(0).offset(-12);
        make.top().equalTo(12);
        make.height().equalTo(34);
    });
    lc_makeConstraints(lcView(priceLabel_), [](LCConstraintMaker& make) {
        make.left().equalTo(12);
        make.right().equalTo(0).offset(-12);
        make.top().equalTo(50);
        make.height().equalTo(26);
    });
    lc_makeConstraints(lcView(origLabel_), [](LCConstraintMaker& make) {
        make.left().equalTo(12);
        make.right().equalTo(0).offset(-12);
        make.top().equalTo(78);
        make.height().equalTo(18);
    });
    lc_makeConstraints(lcView(line), [](LCConstraintMaker& make) {
        make.left().right().equalTo(0);
        make.bottom().equalTo(0).offset(-36);
        make.height().equalTo(1);
    });
    lc_makeConstraints(lcView(detailBtn_), [](LCConstraintMaker& make) {
        make.centerX().equalTo(0);
        make.bottom().equalTo(0).offset(-4);
        make.width().equalTo(90);
        make.height().equalTo(28);
    });
}

void KXFontsSaleAlertView::paintEvent(QPaintEvent* /*event*/)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::white);
    painter.drawRoundedRect(QRectF(rect()), 3, 3);
}

void KXFontsSaleAlertView::setInfo(const Id& offer)
{
    info_ = offer;
    contextLabel_->setText(storestyle::qstring(offer["auth_scope"].stringValue()));
    origLabel_->setAttributedText(KXStoreTexts::offerOriginalPrice(offer));
    priceLabel_->setAttributedText(KXStoreTexts::offerPrice(offer));
}

void KXFontsSaleAlertView::enterEvent(QEnterEvent* event)
{
    isShow_ = true;
    KXBaseView::enterEvent(event);
}

void KXFontsSaleAlertView::leaveEvent(QEvent* event)
{
    isShow_ = false;
    KXBaseView::leaveEvent(event);
}

KXFontSaleBuyView* KXFontsSaleAlertView::detailBtnClick()
{
    isShow_ = false;
    hide();
    QWidget* host = host_ ? host_.data() : parentWidget();
    if (!host)
        return nullptr;
    auto* page = new KXFontSaleBuyView(host);
    page->setDataDic(info_);
    lc_makeConstraints(lcView(page), [](LCConstraintMaker& make) { make.edges().equalTo(0); });
    page->show();
    page->raise();
    return page;
}
