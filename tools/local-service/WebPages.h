#pragma once

#include <string>

namespace localservice {

// The small HTML pages the service hands out: the QQ sign-in page (whose result page carries the
// signed-in user in the body attribute "PersonLoginData"), the agreement, the WeChat confirm
// page, the payment page and a plain page for every other link.
class WebPages {
public:
    static std::string escape(const std::string& text);
    static std::string page(const std::string& title, const std::string& body, const std::string& bodyAttributes = {});
    static std::string qqLoginForm(const std::string& message);
    static std::string qqLoginResult(const std::string& userJson);
    static std::string agreement();
    static std::string wechatConfirmed(bool ok);
    static std::string payment(long long order, bool paid, const std::string& price);
    static std::string generic(const std::string& name);
    // The share page of a published collection for one target.
    static std::string share(const std::string& name, const std::string& author, const std::string& coverUrl,
                             const std::string& target, bool protectedByPassword);
};

} // namespace localservice
