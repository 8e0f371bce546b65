#include "Support/WebEngine/WebEngineTestSupport.h"

#include <QCoreApplication>
#include <QTest>
#include <QWebEnginePage>
#include <QWebEngineSettings>
#include <cstdlib>
#include <optional>

namespace testsupport {

void prepareWebEngineEnvironment()
{
    qputenv("QT_QPA_PLATFORM",
        qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    // Chromium will not start sandboxed as root, and there is no GPU.
    qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    QByteArray flags = qgetenv("QTWEBENGINE_CHROMIUM_FLAGS");
    flags += " --disable-gpu --host-resolver-rules=\"MAP * ~NOTFOUND , EXCLUDE 127.0.0.1\"";
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS", flags.trimmed());
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
}

bool webEngineRequired()
{
    const char* value = std::getenv("CORVANE_REQUIRE_WEBENGINE");
    return value && std::string(value) == "1";
}

std::string webEngineUnavailableReason()
{
    static std::optional<std::string> reason;
    if (reason)
        return *reason;
    if (!QCoreApplication::instance()) {
        reason = "the web engine needs a QApplication";
        return *reason;
    }
    IsolatedWebProfile isolated;
    QWebEnginePage page(isolated.profile());
    bool crashed = false;
    QObject::connect(&page, &QWebEnginePage::renderProcessTerminated, [&crashed] { crashed = true; });
    std::optional<bool> loaded;
    QObject::connect(&page, &QWebEnginePage::loadFinished, [&loaded](bool ok) { loaded = ok; });
    page.load(QUrl("about:blank"));
    waitFor([&] { return loaded.has_value() || crashed; }, 20000);
    if (crashed)
        reason = "the web engine's render process ended at once";
    else if (!loaded)
        reason = "the web engine did not load about:blank within 20 s";
    else if (!*loaded)
        reason = "the web engine failed to load about:blank";
    else
        reason = std::string();
    return *reason;
}

void NetworkGuard::allowScheme(const QString& scheme)
{
    std::lock_guard lock(mutex_);
    schemes_.append(scheme.toLower());
}

void NetworkGuard::allowHost(const QString& host)
{
    std::lock_guard lock(mutex_);
    hosts_.append(host.toLower());
}

void NetworkGuard::interceptRequest(QWebEngineUrlRequestInfo& info)
{
    // Called on the engine's IO thread.
    const QUrl url = info.requestUrl();
    std::lock_guard lock(mutex_);
    if (schemes_.contains(url.scheme().toLower()) || url.host() == "127.0.0.1")
        return;
    if (hosts_.contains(url.host().toLower())) {
        allowedHostRequests_.append(url);
        return;
    }
    violations_.append(url.toString());
    info.block(true);
}

QStringList NetworkGuard::violations() const
{
    std::lock_guard lock(mutex_);
    return violations_;
}

QList<QUrl> NetworkGuard::allowedHostRequests() const
{
    std::lock_guard lock(mutex_);
    return allowedHostRequests_;
}

IsolatedWebProfile::IsolatedWebProfile()
    : profile_(std::make_unique<QWebEngineProfile>())
{
    profile_->setUrlRequestInterceptor(&guard_);
    profile_->settings()->setAttribute(QWebEngineSettings::AutoLoadIconsForPage, false);
}

IsolatedWebProfile::~IsolatedWebProfile()
{
    profile_->setUrlRequestInterceptor(nullptr);
}

QUrl testPageBaseUrl()
{
    return QUrl("https://bridge-test.invalid/");
}

bool waitFor(const std::function<bool()>& predicate, int timeoutMs)
{
    return QTest::qWaitFor(predicate, timeoutMs);
}

bool loadHtml(QWebEnginePage& page, const QString& html, const QUrl& baseUrl, int timeoutMs)
{
    std::optional<bool> result;
    QMetaObject::Connection connection
        = QObject::connect(&page, &QWebEnginePage::loadFinished, [&result](bool ok) { result = ok; });
    page.setHtml(html, baseUrl);
    waitFor([&] { return result.has_value(); }, timeoutMs);
    QObject::disconnect(connection);
    return result.value_or(false);
}

QVariant runScript(QWebEnginePage& page, const QString& script, int timeoutMs)
{
    auto value = std::make_shared<std::optional<QVariant>>();
    page.runJavaScript(script, 0, [value](const QVariant& result) { *value = result; });
    waitFor([&] { return value->has_value(); }, timeoutMs);
    return value->value_or(QVariant());
}

} // namespace testsupport
