#include "Lib/ScriptBridge/WebScriptLegacyWebView.h"

WebPolicyDecisionListener::Decision WebScriptLegacyWebView::decidePolicyForNavigation(
    const foundation::Ref<foundation::URL>& request)
{
    WebPolicyDecisionListener listener;
    if (auto delegate = policyDelegate_.lock())
        delegate->webViewDecidePolicyForNavigationAction(*this, request, listener);
    return listener.decision();
}
