#pragma once

#include "Class/Account/Core/KXSignInEvents.h"

#include <QPointer>
#include <QUrl>
#include <QWidget>

class KXWebPanel;
class QLabel;

// The QQ sign-in panel: the service's QQ sign-in page (the user default "qqloginUrl") in a web
// panel. After every successful load of a page from the sign-in page's own origin (scheme, host,
// port) it reads the body attribute "PersonLoginData"; a JSON dictionary there is the signed-in
// user: the panel posts the sign-in, turns automatic sign-in on and closes the login window, once
// per panel. The panel is one attempt at signing in, started as it opens (KXSignInEvents): once
// someone else has signed in, its result posts nothing. Pages of other origins, a missing attribute, an empty one, text that is not JSON and
// JSON that is not a dictionary change nothing. Pages that open new windows load here too.
//
// Without the web engine the panel says that QQ sign-in is unavailable. Main thread only.
class KXLoginQQView : public QWidget {
    Q_OBJECT

public:
    static constexpr const char* kResultScript = "document.getElementsByTagName('body')[0].getAttribute('PersonLoginData')";
    static constexpr const char* kUnavailable = "QQ登录需要内置浏览器组件，当前版本不支持";

    explicit KXLoginQQView(QWidget* parent = nullptr);

    // nullptr without the web engine.
    KXWebPanel* webView() const { return webView_; }
    const QUrl& loginUrl() const { return loginUrl_; }
    bool hasSignedIn() const { return signedIn_; }

    // Whether `page` is of `login`'s origin (both http or https).
    static bool isSameOrigin(const QUrl& page, const QUrl& login);
    // The script's value for a page at `page`.
    void handleLoginData(const QVariant& value, const QUrl& page);

private:
    void pageLoaded(bool ok);

    KXWebPanel* webView_ = nullptr;
    QLabel* unavailableLabel_ = nullptr;
    QUrl loginUrl_;
    KXSignInEvents::Attempt attempt_;
    bool signedIn_ = false;
};
