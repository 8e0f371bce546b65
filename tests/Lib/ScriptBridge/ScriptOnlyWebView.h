#pragma once

#include "Lib/ScriptBridge/WebScriptLegacyWebView.h"

#include <QJSEngine>
#include <QJSValue>
#include <QString>
#include <QStringList>
#include <deque>
#include <string>
#include <vector>

namespace bridgetest {

// A legacy web view made of a script engine and a small shim of a page: window (the global
// object), document with createElement and documentElement, iframes whose src setter queues a
// navigation (every iframe made is listed in allFrames, with its navigationCount), zero-delay
// timers, console.log and alert. Queued navigations and timers run, in the
// order they were queued, when the test calls runPending(); each navigation asks the policy
// delegate. Script runs synchronously, as the legacy kind of view does.
class ScriptOnlyWebView final : public WebScriptLegacyWebView {
    Q_OBJECT
public:
    struct Navigation {
        std::string url;
        WebPolicyDecisionListener::Decision decision;
    };
    struct Evaluation {
        std::string script;
        std::string result;
    };

    ScriptOnlyWebView();

    foundation::Ref<foundation::String> stringByEvaluatingJavaScriptFromString(
        const std::string& script) override;

    // Evaluates page script the way the page's own script runs (errors go to the console).
    QJSValue run(const QString& script);
    // Runs queued navigations and timers until none is left; answers how many ran.
    int runPending();

    // What the page's own script does to start the bridge.
    void startBridgeFromPage(const QString& startFunction);

    QStringList console;
    std::vector<Navigation> navigations;
    std::vector<Evaluation> evaluations;

    Q_INVOKABLE void log(const QString& line) { console.append(line); }
    Q_INVOKABLE void navigate(const QString& url) { pending_.push_back({ url, QJSValue() }); }
    Q_INVOKABLE void addTimer(const QJSValue& function) { pending_.push_back({ QString(), function }); }

private:
    struct Task {
        QString url; // a navigation, or
        QJSValue timer; // a timer's function
    };
    QJSEngine engine_;
    std::deque<Task> pending_;
};

} // namespace bridgetest
