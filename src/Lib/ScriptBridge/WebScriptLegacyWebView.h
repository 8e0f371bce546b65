#pragma once

#include "Platform/Foundation/String.h"
#include "Platform/Foundation/URL.h"

#include <QObject>
#include <memory>
#include <string>

class WebScriptLegacyWebView;

// The decision about one navigation request of a legacy web view. A request that nobody decides
// is used.
class WebPolicyDecisionListener {
public:
    enum class Decision { Undecided, Use, Ignore };

    void use() { decision_ = Decision::Use; }
    void ignore() { decision_ = Decision::Ignore; }
    Decision decision() const { return decision_; }

private:
    Decision decision_ = Decision::Undecided;
};

// Decides a legacy web view's navigation requests. Doing nothing lets the request load.
class WebPolicyDelegate {
public:
    virtual ~WebPolicyDelegate() = default;

    virtual void webViewDecidePolicyForNavigationAction(WebScriptLegacyWebView& webView,
        const foundation::Ref<foundation::URL>& request, WebPolicyDecisionListener& listener)
    {
        (void)webView;
        (void)request;
        (void)listener;
    }

protected:
    WebPolicyDelegate() = default;
    WebPolicyDelegate(const WebPolicyDelegate&) = default;
    WebPolicyDelegate& operator=(const WebPolicyDelegate&) = default;
};

// A web view of the legacy kind: it evaluates script synchronously, answering the result's text,
// and asks its policy delegate about every navigation request, its frames' included. The desktop
// client has no such view on Linux (its one web engine evaluates asynchronously); the interface
// keeps the legacy binding whole and testable. Main thread only.
class WebScriptLegacyWebView : public QObject {
public:
    ~WebScriptLegacyWebView() override = default;

    // The script's value as text; empty when the value is no text.
    virtual foundation::Ref<foundation::String> stringByEvaluatingJavaScriptFromString(
        const std::string& script)
        = 0;

    // The slot that a binding sets and clears; held weakly.
    std::weak_ptr<WebPolicyDelegate> policyDelegate() const { return policyDelegate_; }
    void setPolicyDelegate(std::weak_ptr<WebPolicyDelegate> delegate)
    {
        policyDelegate_ = std::move(delegate);
    }

    // What an implementation calls for each navigation request: the delegate's decision.
    WebPolicyDecisionListener::Decision decidePolicyForNavigation(
        const foundation::Ref<foundation::URL>& request);

protected:
    explicit WebScriptLegacyWebView(QObject* parent = nullptr)
        : QObject(parent)
    {
    }

private:
    std::weak_ptr<WebPolicyDelegate> policyDelegate_;
};
