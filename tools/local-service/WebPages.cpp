#include "local-service/WebPages.h"

namespace localservice {

std::string WebPages::escape(const std::string& text)
{
    std::string out;
    for (const char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&#39;"; break;
        default: out += c;
        }
    }
    return out;
}

std::string WebPages::page(const std::string& title, const std::string& body, const std::string& bodyAttributes)
{
    return "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>" + escape(title) +
           "</title><style>body{font-family:sans-serif;margin:40px;color:#333}"
           "input,button{font-size:15px;margin:4px 0;padding:6px}</style></head>\n<body" +
           (bodyAttributes.empty() ? "" : " " + bodyAttributes) + ">\n<h1>" + escape(title) + "</h1>\n" + body +
           "\n</body></html>\n";
}

std::string WebPages::qqLoginForm(const std::string& message)
{
    return page("QQ 登录（本地服务）",
                (message.empty() ? "" : "<p style=\"color:#c33\">" + escape(message) + "</p>") +
                    "<form method=\"post\" action=\"qq-login\">"
                    "<div><input name=\"name\" value=\"demo\" placeholder=\"账号\"></div>"
                    "<div><input name=\"password\" type=\"password\" value=\"demo1234\" placeholder=\"密码\"></div>"
                    "<div><button type=\"submit\">授权并登录</button></div></form>");
}

std::string WebPages::qqLoginResult(const std::string& userJson)
{
    return page("登录成功", "<p>已登录，窗口将自动关闭。</p>", "PersonLoginData=\"" + escape(userJson) + "\"");
}

std::string WebPages::agreement()
{
    return page("用户协议",
                "<p>本页面由本地测试服务提供，用于演示注册协议窗口。</p>"
                "<ol><li>字体仅供授权范围内使用。</li><li>账号信息仅保存在本机的服务状态文件中。</li>"
                "<li>本服务不产生任何真实交易。</li></ol>");
}

std::string WebPages::wechatConfirmed(bool ok)
{
    return ok ? page("已确认登录", "<p>客户端的下一次轮询将完成登录。</p>")
              : page("二维码已失效", "<p>请在客户端刷新二维码。</p>");
}

std::string WebPages::payment(long long order, bool paid, const std::string& price)
{
    const std::string id = std::to_string(order);
    if (paid)
        return page("订单 " + id + " 已支付", "<p>支付成功（本地演示，不产生真实交易）。</p>");
    return page("支付订单 " + id, "<p>应付金额：￥" + escape(price) + "</p><form method=\"get\" action=\"pay\">"
                "<input type=\"hidden\" name=\"order\" value=\"" + id + "\"><input type=\"hidden\" name=\"paid\" value=\"1\">"
                "<button type=\"submit\">模拟支付</button></form>");
}

std::string WebPages::generic(const std::string& name)
{
    return page("Corvane 本地服务：" + name, "<p>这是本地测试服务提供的页面 “" + escape(name) + "”。</p>");
}

std::string WebPages::share(const std::string& name, const std::string& author, const std::string& coverUrl,
                            const std::string& target, bool protectedByPassword)
{
    return page("分享合集：" + name,
                "<p>作者：" + escape(author) + "</p>" +
                    (coverUrl.empty() ? "" : "<p><img src=\"" + escape(coverUrl) + "\" alt=\"封面\" width=\"300\"></p>") +
                    (protectedByPassword ? "<p>这是加密合集，输入密码后可查看字体。</p>" : "") + "<p>分享到：" + escape(target) + "</p>");
}

} // namespace localservice
