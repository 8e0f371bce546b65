#pragma once

#include <QByteArray>
#include <QUrl>
#include <QVariant>
#include <QWidget>

#include <functional>
#include <string>
#include <vector>

// A page of the service shown inside a window (the QQ sign-in, the user agreement). With the web
// engine (CORVANE_WITH_WEBENGINE) create() makes a KXWebEnginePanel; without it there is no panel
// and the pages fall back (QQ sign-in unavailable, the agreement in the browser). The engine also
// counts as missing in a process that did not call prepareEngine() before its QApplication
// existed (main() does, and the web-engine tests): test programs that never start Chromium open
// the same pages without it.
//
// What every panel does: it follows only http and https addresses that its page asks for and hands
// no address to the desktop; a new window a page asks for is never made, and its address, when it
// is a web one, loads in this panel instead; script alerts, confirms and prompts show nothing (a
// confirm answers no, a prompt is cancelled); closing the panel's window ends its page, which loads
// again when the window is shown again; a page whose certificate the engine rejects is accepted
// only when its chain verifies against the anchors the service transport trusts (the system
// store, or SSL_CERT_FILE) for the page's host. Main thread only.
class KXWebPanel : public QWidget {
    Q_OBJECT

public:
    // Call before the QApplication exists in a program that shows web pages. A process running as
    // root leaves the engine unprepared unless its sandbox was switched off on purpose
    // (QTWEBENGINE_DISABLE_SANDBOX=1, or --no-sandbox in QTWEBENGINE_CHROMIUM_FLAGS): the engine
    // would end the whole process at its first page.
    static void prepareEngine();
    // Whether the engine can start in a process with these traits (see prepareEngine()).
    static bool engineCanStart(bool runsAsRoot, const QByteArray& disableSandbox, const QByteArray& chromiumFlags);
    // Whether this build shows web pages and this process prepared the engine.
    static bool isAvailable();
    // A new panel, or nullptr without the web engine.
    static KXWebPanel* create(QWidget* parent);
    // Whether a certificate chain (DER, leaf first) verifies for `host` against the transport's
    // anchors.
    static bool chainIsTrusted(const std::vector<std::string>& derChain, const std::string& host);

    virtual void load(const QUrl& url) = 0;
    virtual QUrl url() const = 0;
    // Runs `script` in the page's main world; `done` receives its value (an invalid QVariant when
    // the script failed), on the main thread, and is dropped when the panel goes first.
    virtual void runJavaScript(const QString& script, std::function<void(const QVariant&)> done) = 0;

signals:
    // A load of the panel's page ended; `ok` when it succeeded.
    void loadFinished(bool ok);

protected:
    explicit KXWebPanel(QWidget* parent);
};
