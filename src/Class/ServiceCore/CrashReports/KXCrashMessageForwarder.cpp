#include "Class/ServiceCore/CrashReports/KXCrashMessageForwarder.h"

#include "Class/ServiceCore/Transport/KXHTTPBUSINESS.h"
#include "Lib/CrashGuard/CrashGuard.h"
#include "Platform/Foundation/Data.h"
#include "Platform/Serialization/JSONSerialization.h"

#include <algorithm>
#include <array>
#include <cctype>

using foundation::Id;
using foundation::Ref;
using foundation::String;

namespace {

constexpr std::array<std::string_view, 5> kSecretKeys
    = { "password", "pwd", "token", "secret", "encrypt_str" };
constexpr std::string_view kMask = "***";

constexpr std::array<const char*, 4> kForwardedKeys = { CrashGuard::kDefaultToDoKey,
    CrashGuard::kErrorNameKey, CrashGuard::kErrorPlaceKey, CrashGuard::kErrorReasonKey };

bool startsWithIgnoringCase(std::string_view text, std::size_t at, std::string_view word)
{
    if (text.size() - at < word.size())
        return false;
    for (std::size_t i = 0; i < word.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(text[at + i])) != word[i])
            return false;
    return true;
}

std::size_t skipSpaces(std::string_view text, std::size_t at)
{
    while (at < text.size() && (text[at] == ' ' || text[at] == '\t'))
        ++at;
    return at;
}

bool endsUnquotedValue(char c)
{
    return std::isspace(static_cast<unsigned char>(c))
        || std::string_view(",;&}])\"'").find(c) != std::string_view::npos;
}

// Where the value after a secret key ending at `at` lies, as [begin, end); begin == end when no
// "=" or ":" follows the key (it is then a word that merely contains the key).
std::pair<std::size_t, std::size_t> valueAfterKey(std::string_view text, std::size_t at)
{
    if (at < text.size() && (text[at] == '"' || text[at] == '\''))
        ++at; // the closing quote of a quoted key
    at = skipSpaces(text, at);
    if (at >= text.size() || (text[at] != '=' && text[at] != ':'))
        return { at, at };
    at = skipSpaces(text, at + 1);
    if (at < text.size() && (text[at] == '"' || text[at] == '\'')) {
        const char quote = text[at];
        std::size_t end = ++at;
        while (end < text.size() && text[end] != quote)
            end += text[end] == '\\' ? 2 : 1;
        return { at, std::min(end, text.size()) };
    }
    std::size_t end = at;
    while (end < text.size() && !endsUnquotedValue(text[end]))
        ++end;
    return { at, end };
}

} // namespace

std::string KXCrashMessageForwarder::maskedSecrets(std::string_view text)
{
    std::string out;
    std::size_t copied = 0;
    for (std::size_t at = 0; at < text.size(); ++at) {
        for (std::string_view key : kSecretKeys) {
            if (!startsWithIgnoringCase(text, at, key))
                continue;
            const auto [begin, end] = valueAfterKey(text, at + key.size());
            if (begin == end)
                continue;
            out.append(text.substr(copied, begin - copied));
            out.append(kMask);
            copied = end;
            at = end - 1;
            break;
        }
    }
    out.append(text.substr(std::min(copied, text.size())));
    return out;
}

Ref<String> KXCrashMessageForwarder::reportText(const foundation::Dictionary& report)
{
    // Built key by key: a report without a reason simply has no "errorReason".
    auto copy = foundation::MutableDictionary::create();
    for (const char* key : kForwardedKeys)
        if (const Id value = report.objectForKey(key); !value.isNil())
            copy->setObject(Id(maskedSecrets(value.stringValue())), Id(key));
    auto json = foundation::JSONSerialization::dataWithJSONObject(
        Id(copy), foundation::JSONWritingPrettyPrinted, nullptr);
    return String::create(json ? std::string(json->view()) : std::string());
}

KXCrashMessageForwarder::KXCrashMessageForwarder(Upload send)
    : send_(send ? std::move(send) : Upload(&KXCrashMessageForwarder::upload))
{
}

void KXCrashMessageForwarder::upload(const Ref<String>& errorInfo)
{
    KXHTTPBUSINESS().upLoadActivationErrorWithClientName(
        Id(""), Id(""), Id(kPlatform), Id(errorInfo), nullptr, nullptr);
}

void KXCrashMessageForwarder::dealwithCrashMessage(const dispatch::Notification& notification)
{
    if (!notification.userInfo)
        return;
    const Ref<String> text = reportText(*notification.userInfo);
    if (text->utf8().empty() || text->containsString(kUnreadableDataText))
        return;
    const Id report(notification.userInfo);
    const std::string identity = report[CrashGuard::kErrorNameKey].stringValue() + '\n'
        + report[CrashGuard::kErrorPlaceKey].stringValue() + '\n'
        + report[CrashGuard::kErrorReasonKey].stringValue();
    if (sentRecently(identity))
        return;
    send_(text);
}

bool KXCrashMessageForwarder::sentRecently(const std::string& identity)
{
    const auto now = dispatch::Clock::current()->now();
    const auto interval = dispatch::Clock::seconds(kRepeatInterval);
    std::erase_if(lastSent_, [&](const auto& entry) { return now - entry.second >= interval; });
    if (lastSent_.contains(identity))
        return true;
    lastSent_.emplace(identity, now);
    return false;
}
