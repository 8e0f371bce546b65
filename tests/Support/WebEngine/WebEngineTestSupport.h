#pragma once

// The shared set-up for tests that run QtWebEngine (Chromium). Link CorvaneWebEngineTestMain
// through `corvane_add_test(Name WEBENGINE ...)`, which also labels the test "webengine" (kept out
// of the sanitizer runs: Chromium is not instrumented) and runs such tests one at a time.
//
// What the main() of such a test binary does, in order:
//   1. a temporary HOME (TempHome), the engine's environment (prepareWebEngineEnvironment());
//   2. testsupport::beforeWebEngineApplication(), which the test binary defines: register URL
//      schemes there (WebScriptBridge::registerUrlSchemes(), ...), or leave it empty;
//   3. an offscreen QApplication with the dispatch layer's main queue drained by Qt's event loop.
//
// In each test fixture's SetUp, CORVANE_SKIP_WITHOUT_WEBENGINE() skips with the reason when the
// engine cannot start here (about:blank did not load within 20 s), and fails instead when the
// environment says CORVANE_REQUIRE_WEBENGINE=1 (CI). Pages come from IsolatedWebProfile: off the
// record, and every request that would leave the machine fails the test.

#include <QString>
#include <QStringList>
#include <QUrl>
#include <QVariant>
#include <QWebEngineProfile>
#include <QWebEngineUrlRequestInterceptor>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <mutex>
#include <string>

class QWebEnginePage;

namespace testsupport {

// Defined by each web-engine test binary; runs before the QApplication exists.
void beforeWebEngineApplication();

// Chromium without sandbox (tests run as root), without GPU, offscreen, with every host name
// resolving to nothing except 127.0.0.1. Call before the QApplication exists.
void prepareWebEngineEnvironment();

// Empty when the engine starts; otherwise why it does not. Probed once per process.
std::string webEngineUnavailableReason();
// CORVANE_REQUIRE_WEBENGINE=1: a test that cannot start the engine fails instead of skipping.
bool webEngineRequired();

#define CORVANE_SKIP_WITHOUT_WEBENGINE()                                                                     \
    do {                                                                                                     \
        const std::string corvaneWebEngineReason = ::testsupport::webEngineUnavailableReason();              \
        if (!corvaneWebEngineReason.empty()) {                                                               \
            if (::testsupport::webEngineRequired())                                                          \
                FAIL() << "the web engine is required here but " << corvaneWebEngineReason;                  \
            GTEST_SKIP() << corvaneWebEngineReason;                                                          \
        }                                                                                                    \
    } while (false)

// Sees every request of a profile's pages. Local schemes (data, about, blob, qrc, and those named
// with allowScheme) and 127.0.0.1 pass; hosts named with allowHost pass to the host resolver,
// which finds nothing; anything else is blocked and recorded as a violation.
class NetworkGuard final : public QWebEngineUrlRequestInterceptor {
public:
    void allowScheme(const QString& scheme);
    void allowHost(const QString& host);
    void interceptRequest(QWebEngineUrlRequestInfo& info) override;

    QStringList violations() const;
    // Requests that passed to the network layer on an allowed host, in order.
    QList<QUrl> allowedHostRequests() const;

private:
    mutable std::mutex mutex_;
    QStringList schemes_ { "data", "about", "blob", "qrc" };
    QStringList hosts_;
    QStringList violations_;
    QList<QUrl> allowedHostRequests_;
};

// An off-the-record profile guarded by a NetworkGuard, without favicon loads. Destroy the pages of
// a profile before the profile.
class IsolatedWebProfile {
public:
    IsolatedWebProfile();
    ~IsolatedWebProfile();
    IsolatedWebProfile(const IsolatedWebProfile&) = delete;
    IsolatedWebProfile& operator=(const IsolatedWebProfile&) = delete;

    QWebEngineProfile* profile() const { return profile_.get(); }
    NetworkGuard& guard() { return guard_; }

private:
    NetworkGuard guard_;
    std::unique_ptr<QWebEngineProfile> profile_;
};

// The base address of test pages: https, on a host that never resolves.
QUrl testPageBaseUrl();

// Runs Qt's events (and so the main queue) until `predicate` holds or `timeoutMs` of real time
// pass; answers the predicate's last value.
bool waitFor(const std::function<bool()>& predicate, int timeoutMs = 20000);

// setHtml with `baseUrl` and a wait for the load to end; answers whether it succeeded in time.
bool loadHtml(QWebEnginePage& page, const QString& html, const QUrl& baseUrl = testPageBaseUrl(),
    int timeoutMs = 20000);

// Evaluates `script` in the page's main world and waits for its value (invalid on timeout or
// when the script threw).
QVariant runScript(QWebEnginePage& page, const QString& script, int timeoutMs = 20000);

} // namespace testsupport
