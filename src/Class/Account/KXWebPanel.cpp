#include "Class/Account/KXWebPanel.h"

#include "Platform/Foundation/Data.h"
#include "Platform/Security/Certificate.h"
#include "Platform/Security/Policy.h"
#include "Platform/Security/Trust.h"

#ifdef CORVANE_ACCOUNT_WEBENGINE
#include "Class/Account/KXWebEnginePanel.h"
#endif

#include <QByteArray>
#include <QCoreApplication>

#include <atomic>
#include <cstdio>

#include <unistd.h>

KXWebPanel::KXWebPanel(QWidget* parent)
    : QWidget(parent)
{
}

#ifdef CORVANE_ACCOUNT_WEBENGINE
namespace {

std::atomic<bool>& enginePrepared()
{
    static std::atomic<bool> prepared { false };
    return prepared;
}

} // namespace
#endif

bool KXWebPanel::engineCanStart(bool runsAsRoot, const QByteArray& disableSandbox, const QByteArray& chromiumFlags)
{
    if (!runsAsRoot)
        return true;
    return !disableSandbox.trimmed().isEmpty() || chromiumFlags.simplified().split(' ').contains("--no-sandbox");
}

void KXWebPanel::prepareEngine()
{
#ifdef CORVANE_ACCOUNT_WEBENGINE
    if (!engineCanStart(geteuid() == 0, qgetenv("QTWEBENGINE_DISABLE_SANDBOX"), qgetenv("QTWEBENGINE_CHROMIUM_FLAGS"))) {
        std::fprintf(stderr, "corvane-fonts: web pages are off: the web engine does not run as root with its sandbox on\n");
        return;
    }
    // The engine shares its graphics contexts with the application's, which must be said before
    // the application exists.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    enginePrepared() = true;
#endif
}

bool KXWebPanel::isAvailable()
{
#ifdef CORVANE_ACCOUNT_WEBENGINE
    return enginePrepared();
#else
    return false;
#endif
}

KXWebPanel* KXWebPanel::create(QWidget* parent)
{
#ifdef CORVANE_ACCOUNT_WEBENGINE
    if (!isAvailable())
        return nullptr;
    return new KXWebEnginePanel(parent);
#else
    (void)parent;
    return nullptr;
#endif
}

bool KXWebPanel::chainIsTrusted(const std::vector<std::string>& derChain, const std::string& host)
{
    std::vector<foundation::Ref<security::Certificate>> chain;
    for (const std::string& der : derChain) {
        auto certificate = security::Certificate::createWithData(*foundation::Data::create(der));
        if (!certificate)
            return false;
        chain.push_back(std::move(certificate));
    }
    if (chain.empty() || host.empty())
        return false;
    auto trust = security::Trust::createWithCertificates(std::move(chain), security::Policy::SSL(true, host));
    return trust && trust->evaluateWithError(nullptr);
}
