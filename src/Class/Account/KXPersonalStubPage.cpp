#include "Class/Account/KXPersonalStubPage.h"

#include "Class/Account/KXAccountViews.h"
#include "Class/ImageViews/ImageView.h"
#include "Class/LayoutWidgets/WidgetView.h"
#include "Class/UIKit/KXImage.h"
#include "Class/UIKit/KXPageColumn.h"
#include "Class/UIKit/KXRemoveFromSuperview.h"
#include "Lib/LayoutConstraints/LCViewAdditions.h"

#include <QLabel>
#include <QPainter>

using layoutwidgets::lcView;

KXPersonalStubPage::KXPersonalStubPage(const QString& title, bool hasBack, QWidget* parent)
    : KXBaseView(parent)
{
    headerBg_ = new KXFilledView(this, kxaccount::kHeaderGrey);
    lc_makeConstraints(lcView(headerBg_), [](LCConstraintMaker& make) {
        make.left().top().right().equalTo(0);
        make.height().equalTo(48);
    });
    auto* titleLabel = kxaccount::makeLabel(headerBg_, title, 15, kxaccount::kText, true);
    lc_makeConstraints(lcView(titleLabel), [](LCConstraintMaker& make) { make.center().equalTo(0); });
    if (hasBack) {
        backButton_ = kxaccount::makeLinkButton(headerBg_, QStringLiteral("‹ 返回"), kxaccount::kAccent, [this](KXBaseButton*) { backClick(); }, 13);
        lc_makeConstraints(lcView(backButton_), [](LCConstraintMaker& make) {
            make.left().equalTo(12);
            make.centerY().equalTo(0);
            make.height().equalTo(22);
        });
    }
    centerBg_ = new KXFilledView(this, Qt::white, 4, kxaccount::kCardBorder);
    // The card follows the page's width up to the column's widest, centred.
    lc_makeConstraints(lcView(centerBg_), [](LCConstraintMaker& make) {
        make.left().equalTo(15).priorityHigh();
        make.right().equalTo(-15).priorityHigh();
        make.centerX().equalTo(0);
        make.width().lessThanOrEqualTo(kxpage::kMaxColumnWidth - 30);
        make.top().equalTo(63);
        make.bottom().equalTo(-15);
    });
}

QWidget* KXPersonalStubPage::headerBg() const
{
    return headerBg_;
}

QWidget* KXPersonalStubPage::centerBg() const
{
    return centerBg_;
}

void KXPersonalStubPage::paintEvent(QPaintEvent* event)
{
    QPainter(this).fillRect(rect(), kxaccount::kPageGrey);
    KXBaseView::paintEvent(event);
}

void KXPersonalStubPage::backClick()
{
    kx_removeFromSuperview(this);
}

namespace {

void addNote(QWidget* card, const QString& text)
{
    auto* note = kxaccount::makeLabel(card, text, 13, kxaccount::kMutedText);
    note->setWordWrap(true);
    note->setAlignment(Qt::AlignCenter);
    lc_makeConstraints(lcView(note), [](LCConstraintMaker& make) {
        make.left().equalTo(20);
        make.right().equalTo(-20);
        make.centerY().equalTo(0);
    });
}

} // namespace

KXPersonalHelpCenter::KXPersonalHelpCenter(QWidget* parent)
    : KXPersonalStubPage(QStringLiteral("帮助中心"), false, parent)
{
    upBtn_ = kxaccount::makeLinkButton(card(), QStringLiteral("提交"), kxaccount::kAccent, nullptr);
    upBtn_->hide();
    addNote(card(), QStringLiteral("常见问题与使用说明"));
}

KXPersonalSettingView::KXPersonalSettingView(QWidget* parent)
    : KXPersonalStubPage(QStringLiteral("账号设置"), true, parent)
{
    avatarImg_ = new ImageView(card());
    avatarImg_->setCornerRadius(30);
    avatarImg_->setImageScaling(ImageScaling::AxesIndependently);
    avatarImg_->setImage(KXImage::imageNamed("avatarLight"));
    lc_makeConstraints(lcView(avatarImg_), [](LCConstraintMaker& make) {
        make.centerX().equalTo(0);
        make.top().equalTo(30);
        make.width().height().equalTo(60);
    });
}

KXPersonalChangePwd::KXPersonalChangePwd(QWidget* parent)
    : KXPersonalStubPage(QStringLiteral("修改密码"), true, parent)
{
    addNote(card(), QStringLiteral("请在网页的账号设置中修改密码"));
}
