#include "Lib/ScriptBridge/WebScriptBridgeSchemeHandler.h"

#include <QWebEngineProfile>
#include <QWebEngineUrlRequestJob>

void WebScriptBridgeSchemeHandler::installOn(QWebEngineProfile* profile)
{
    if (!profile || profile->urlSchemeHandler(kScheme))
        return;
    // Owned by the profile.
    profile->installUrlSchemeHandler(kScheme, new WebScriptBridgeSchemeHandler(profile));
}

void WebScriptBridgeSchemeHandler::requestStarted(QWebEngineUrlRequestJob* job)
{
    job->fail(QWebEngineUrlRequestJob::RequestDenied);
}
