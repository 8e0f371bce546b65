#include "ScriptOnlyWebView.h"

#include "Platform/Foundation/URL.h"

namespace bridgetest {

namespace {

// The page around the bridge's script. `__native` is the view.
const char* const kShim = R"js(
var window = this;
window.console = {
    log: function () {
        var parts = [];
        for (var i = 0; i < arguments.length; i++) {
            var part = arguments[i];
            parts.push(typeof part === 'string' ? part : JSON.stringify(part));
        }
        __native.log(parts.join(' '));
    }
};
window.alert = function (text) { __native.log('ALERT ' + text); };
window.setTimeout = function (callback, delay) { __native.addTimer(callback); return 1; };
function makeElement(tagName) {
    var element = {
        tagName: tagName.toUpperCase(),
        style: {},
        childNodes: [],
        appendChild: function (child) { this.childNodes.push(child); child.parentNode = this; return child; },
        removeChild: function (child) {
            this.childNodes.splice(this.childNodes.indexOf(child), 1);
            child.parentNode = null;
            return child;
        }
    };
    if (tagName === 'iframe') {
        var source = '';
        element.navigationCount = 0;
        Object.defineProperty(element, 'src', {
            get: function () { return source; },
            set: function (value) { source = String(value); element.navigationCount++; __native.navigate(source); }
        });
        window.allFrames.push(element);
    }
    return element;
}
window.allFrames = [];
window.document = { createElement: makeElement, documentElement: makeElement('html') };
)js";

foundation::Ref<foundation::String> toString(const QString& text)
{
    return foundation::String::createWithUTF16(std::u16string_view(
        reinterpret_cast<const char16_t*>(text.utf16()), static_cast<std::size_t>(text.size())));
}

} // namespace

ScriptOnlyWebView::ScriptOnlyWebView()
{
    engine_.globalObject().setProperty("__native", engine_.newQObject(this));
    QJSEngine::setObjectOwnership(this, QJSEngine::CppOwnership);
    engine_.evaluate(kShim);
}

QJSValue ScriptOnlyWebView::run(const QString& script)
{
    QJSValue value = engine_.evaluate(script);
    if (value.isError())
        console.append("uncaught " + value.toString());
    return value;
}

foundation::Ref<foundation::String> ScriptOnlyWebView::stringByEvaluatingJavaScriptFromString(
    const std::string& script)
{
    QJSValue value = run(QString::fromStdString(script));
    foundation::Ref<foundation::String> text
        = value.isString() ? toString(value.toString()) : foundation::String::empty();
    evaluations.push_back({ script, text->utf8() });
    return text;
}

int ScriptOnlyWebView::runPending()
{
    int ran = 0;
    while (!pending_.empty() && ran < 10000) {
        Task task = pending_.front();
        pending_.pop_front();
        ++ran;
        if (task.timer.isCallable()) {
            QJSValue value = task.timer.call();
            if (value.isError())
                console.append("uncaught " + value.toString());
            continue;
        }
        std::string url = task.url.toStdString();
        WebPolicyDecisionListener::Decision decision
            = decidePolicyForNavigation(foundation::URL::URLWithString(url));
        navigations.push_back({ url, decision });
    }
    return ran;
}

void ScriptOnlyWebView::startBridgeFromPage(const QString& startFunction)
{
    run("window.WSBCallbacks = window.WSBCallbacks || [];"
        "window.WSBCallbacks.push("
        + startFunction
        + ");"
          "var bridgeFrame = document.createElement('iframe');"
          "bridgeFrame.style.display = 'none';"
          "bridgeFrame.src = 'https://__bridge_loaded__';"
          "document.documentElement.appendChild(bridgeFrame);");
}

} // namespace bridgetest
