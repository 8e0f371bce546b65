#include "Class/Account/KXRegisterAgreementVC.h"

#include "Class/Account/Core/KXSignInEvents.h"
#include "Class/Account/KXAccountViews.h"
#include "Class/Account/KXWebPanel.h"
#include "Class/LayoutWidgets/WidgetView.h"
#include "Class/ServiceCore/Transport/KXGlobalDataBase.h"
#include "Class/UIKit/KXOpenFailedAlert.h"
#include "Lib/LayoutConstraints/LCViewAdditions.h"
#include "Platform/Foundation/String.h"
#include "Platform/Storage/UserDefaults.h"

#include <QLabel>
#include <QShowEvent>

using foundation::Id;
using layoutwidgets::lcView;

namespace {

// The identity of one page's answers; it carries nothing.
class AgreementAnswers final : public foundation::Object { };

std::string agreementAddress()
{
    return Id(foundation::UserDefaults::standardUserDefaults().stringForKey("register_agree_url")).stringValue();
}

} // namespace

KXRegisterAgreementVC::KXRegisterAgreementVC(QWidget* parent)
    : QWidget(parent)
    , answerSender_(std::make_shared<AgreementAnswers>())
{
    setUPUI();
}

KXRegisterAgreementVC::~KXRegisterAgreementVC() = default;

QWidget* KXRegisterAgreementVC::bgView() const
{
    return bgView_;
}

void KXRegisterAgreementVC::setUPUI()
{
    bgView_ = new KXFilledView(this, Qt::white);
    lc_makeConstraints(lcView(bgView_), [](LCConstraintMaker& make) { make.edges().equalTo(0); });

    // The page's frame: corner radius 4, a 1-point border of RGB 227, 227, 227.
    auto* frame = new KXFilledView(this, Qt::white, 4, QColor(227, 227, 227));
    lc_makeConstraints(lcView(frame), [](LCConstraintMaker& make) {
        make.width().equalTo(520);
        make.height().equalTo(538);
        make.centerX().equalTo(0);
        make.top().equalTo(20);
    });
    webView_ = KXWebPanel::create(frame);
    if (webView_) {
        lc_makeConstraints(lcView(webView_), [](LCConstraintMaker& make) { make.edges().equalTo(0).insets(LCEdgeInsets{1, 1, 1, 1}); });
        const QUrl address(QString::fromStdString(agreementAddress()));
        if (address.scheme() == QLatin1String("https") || address.scheme() == QLatin1String("http"))
            webView_->load(address);
    } else {
        auto* note = kxaccount::makeLabel(frame, QStringLiteral("用户注册协议将在浏览器中打开"), 14, kxaccount::kText);
        browserLink_ = kxaccount::makeLinkButton(frame, QStringLiteral("查看《用户注册协议》"), kxaccount::kAccent, [this](KXBaseButton*) {
            const std::string address = agreementAddress();
            if (!address.empty())
                KXOpenFailedAlert::openURL(this, address);
        }, 14);
        lc_makeConstraints(lcView(note), [](LCConstraintMaker& make) {
            make.centerX().equalTo(0);
            make.centerY().equalTo(-20);
        });
        QWidget* above = note;
        lc_makeConstraints(lcView(browserLink_), [above](LCConstraintMaker& make) {
            make.centerX().equalTo(0);
            make.top().equalTo(lc_bottom(lcView(above))).offset(12);
            make.height().equalTo(24);
        });
    }

    sureBtn_ = new KXFillButton(this, QStringLiteral("同意"), QColor(151, 125, 98), Qt::white, 2, [this](KXBaseButton*) { sureBtnClick(); });
    disagreeBtn_ = new KXFillButton(this, QStringLiteral("不同意"), QColor(239, 239, 239), kxaccount::kText, 2,
                                    [this](KXBaseButton*) { disagreeBtnclick(); });
    QWidget* page = frame;
    lc_makeConstraints(lcView(disagreeBtn_), [page](LCConstraintMaker& make) {
        make.right().equalTo(lc_centerX(lcView(page))).offset(-10);
        make.top().equalTo(lc_bottom(lcView(page))).offset(20);
        make.width().equalTo(120);
        make.height().equalTo(34);
    });
    lc_makeConstraints(lcView(sureBtn_), [page](LCConstraintMaker& make) {
        make.left().equalTo(lc_centerX(lcView(page))).offset(10);
        make.top().equalTo(lc_bottom(lcView(page))).offset(20);
        make.width().equalTo(120);
        make.height().equalTo(34);
    });
    agreeCountDown_ = std::make_unique<KXButtonCountDown>(sureBtn_, QStringLiteral("同意(%.2zds)"));
}

void KXRegisterAgreementVC::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!event->spontaneous())
        viewDidAppear();
}

void KXRegisterAgreementVC::viewDidAppear()
{
    asking_ = true;
    startWithTime(kAgreeSeconds, QStringLiteral("同意(5s)"), QStringLiteral("同意"), Qt::white, Qt::white);
}

void KXRegisterAgreementVC::startWithTime(long long time, const QString&, const QString& countDownTitle, const QColor&, const QColor&)
{
    agreeCountDown_->start(time, countDownTitle);
}

void KXRegisterAgreementVC::sureBtnClick()
{
    asking_ = false;
    KXGlobalDataBase::sharedKXGlobalDataBase().setRegisterUrl(true);
    window()->hide();
    // The asker hears the answer: the sign-in gate tells the service, and signs the user in only
    // once the service holds the agreement; the registration ticks its box and registers.
    KXSignInEvents::postAgreement(true, answerSender_);
}

void KXRegisterAgreementVC::disagreeBtnclick()
{
    asking_ = false;
    KXSignInEvents::postAgreement(false, answerSender_);
    window()->hide();
}

void KXRegisterAgreementVC::windowClosing()
{
    if (asking_ && isVisible())
        disagreeBtnclick();
}
