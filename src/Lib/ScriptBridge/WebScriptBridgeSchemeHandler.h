#pragma once

#include <QWebEngineUrlSchemeHandler>

class QWebEngineProfile;

// Answers the bridge's "wsbscheme" on a profile by denying every request. The bridge's own
// requests never get here (the binding cancels them); an ordinary wsbscheme address that the
// application allowed ends here instead of at the desktop's URL handlers.
class WebScriptBridgeSchemeHandler final : public QWebEngineUrlSchemeHandler {
public:
    static constexpr const char* kScheme = "wsbscheme";

    // Installs a handler on `profile` unless the scheme has one there already.
    static void installOn(QWebEngineProfile* profile);

    void requestStarted(QWebEngineUrlRequestJob* job) override;

private:
    using QWebEngineUrlSchemeHandler::QWebEngineUrlSchemeHandler;
};
