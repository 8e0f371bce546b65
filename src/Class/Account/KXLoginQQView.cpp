#include "Class/Account/KXLoginQQView.h"

#include "Class/Account/Core/KXSignInEvents.h"
#include "Class/Account/KXAccountViews.h"
#include "Class/Account/KXLoginWindowController.h"
#include "Class/Account/KXWebPanel.h"
#include "Class/LayoutWidgets/WidgetView.h"
#include "Class/ServiceCore/Catalogue/KXUserCenterConfig.h"
#include "Lib/LayoutConstraints/LCViewAdditions.h"
#include "Platform/Foundation/Data.h"
#include "Platform/Foundation/Dictionary.h"
#include "Platform/Serialization/JSONSerialization.h"
#include "Platform/Foundation/String.h"
#include "Platform/Storage/UserDefaults.h"

#include <QLabel>
#include <QPainter>

using foundation::Id;
using layoutwidgets::lcView;

namespace {

// The layer colour behind the page until it paints.
class RedBackground final : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent*) override { QPainter(this).fillRect(rect(), Qt::red); }
};

} // namespace

KXLoginQQView::KXLoginQQView(QWidget* parent)
    : QWidget(parent)
    , attempt_(KXSignInEvents::startAttempt())
{
    auto* background = new RedBackground(this);
    lc_makeConstraints(lcView(background), [](LCConstraintMaker& make) { make.edges().equalTo(0); });
    loginUrl_ = QUrl(QString::fromStdString(Id(foundation::UserDefaults::standardUserDefaults().stringForKey("qqloginUrl")).stringValue()));
    webView_ = KXWebPanel::create(this);
    if (!webView_) {
        background->hide();
        unavailableLabel_ = kxaccount::makeLabel(this, QString::fromUtf8(kUnavailable), 14, kxaccount::kText);
        lc_makeConstraints(lcView(unavailableLabel_), [](LCConstraintMaker& make) { make.center().equalTo(0); });
        return;
    }
    lc_makeConstraints(lcView(webView_), [](LCConstraintMaker& make) { make.edges().equalTo(0); });
    connect(webView_, &KXWebPanel::loadFinished, this, &KXLoginQQView::pageLoaded);
    if (loginUrl_.isValid() && (loginUrl_.scheme() == QLatin1String("https") || loginUrl_.scheme() == QLatin1String("http")))
        webView_->load(loginUrl_);
}

bool KXLoginQQView::isSameOrigin(const QUrl& page, const QUrl& login)
{
    const auto web = [](const QUrl& url) { return url.scheme() == QLatin1String("https") || url.scheme() == QLatin1String("http"); };
    return web(page) && web(login) && page.scheme() == login.scheme() && !page.host().isEmpty()
        && page.host().compare(login.host(), Qt::CaseInsensitive) == 0 && page.port(page.scheme() == QLatin1String("https") ? 443 : 80)
        == login.port(login.scheme() == QLatin1String("https") ? 443 : 80);
}

void KXLoginQQView::pageLoaded(bool ok)
{
    if (!ok || signedIn_ || !webView_)
        return;
    const QUrl page = webView_->url();
    if (!isSameOrigin(page, loginUrl_))
        return;
    webView_->runJavaScript(QString::fromUtf8(kResultScript), [this, page](const QVariant& value) { handleLoginData(value, page); });
}

void KXLoginQQView::handleLoginData(const QVariant& value, const QUrl& page)
{
    if (signedIn_ || !isSameOrigin(page, loginUrl_) || value.typeId() != QMetaType::QString)
        return;
    const QByteArray text = value.toString().toUtf8();
    if (text.isEmpty())
        return;
    const Id user = foundation::JSONSerialization::JSONObjectWithData(
        foundation::Data::create(std::string_view(text.constData(), static_cast<std::size_t>(text.size()))), foundation::JSONReadingMutableContainers);
    if (!user.dictionary())
        return;
    signedIn_ = true;
    // Someone signed in since the page opened: that account stays, and this ends unsaid.
    if (!KXSignInEvents::postLoginMessage(user, attempt_))
        return;
    KXUserCenterConfig::sharedKXUserCenterConfig().setIsAutologin(true);
    KXLoginWindowController::orderOutWindowOf(this);
}
