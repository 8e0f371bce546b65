#include "Class/ServiceCore/Transport/KXHTTPREQUEST.h"

#include "Class/ServiceCore/Transport/KXAccountState.h"
#include "Class/ServiceCore/Transport/KXHTTPErrorLog.h"
#include "Class/ServiceCore/Transport/KXRequestAccount.h"
#include "Class/ServiceCore/UnitTools/KXMD5.h"
#include "Class/Theme/ToastPresenter.h"
#include "Lib/Networking/NKHTTPSessionManager.h"
#include "Lib/Networking/NKJSONResponseSerializer.h"
#include "Platform/Dispatch/NotificationCenter.h"
#include "Platform/Dispatch/Queue.h"
#include "Platform/Foundation/Set.h"
#include "Platform/Serialization/ReadError.h"
#include "Platform/Storage/UserDefaults.h"
#include "Platform/URLLoading/URLSessionConfiguration.h"
#include "Platform/URLLoading/URLSessionTask.h"

#include <algorithm>
#include <cstdio>
#include <utility>
#include <vector>

using foundation::Id;
using foundation::Ref;
using foundation::String;

namespace {

// The common parameters in the order they are written, with the user-defaults key of each.
struct CommonParameter {
    const char* name;
    const char* defaultsKey; // nullptr: a constant
};
constexpr CommonParameter kCommonParameters[] = {
    {"UIID", "UIID"},
    {"token", "token"},
    {"system", "macType"},
    {"platform", nullptr},
    {"mac", "macAddress"},
    {"source_type", "typeFrom"},
    {"version", "appVersion"},
    {"data_version", "dataVersion"},
    {"SystemVersion", "SystemVersion"},
};

constexpr const char* kSalt = "Qp#7vL@x2&";

void addCommonParameters(foundation::MutableDictionary& parameters, KXHTTPREQUEST::ReplyScope scope)
{
    auto& defaults = foundation::UserDefaults::standardUserDefaults();
    for (const auto& common : kCommonParameters) {
        if (!common.defaultsKey) {
            parameters.setObject(Id(KXHTTPREQUEST::kPlatform), Id(common.name));
            continue;
        }
        Ref<String> value;
        if (std::string_view(common.name) == "token")
            value = String::create(KXAccountState::requestToken(scope == KXHTTPREQUEST::ReplyScope::Agreement));
        else
            value = defaults.stringForKey(common.defaultsKey);
        // setValue removes the entry for nil, so a same-named operation parameter goes as well.
        parameters.setValue(value ? Id(value) : Id(), common.name);
    }
}

// Replies that are valid JSON but no object fail like undecodable ones, with the same text.
Ref<foundation::Error> notAnObjectError()
{
    return foundation::makeCorruptDataError(3840, "The reply is not a JSON object.");
}

// `ownAccount`: the reply belongs to the account signed in now. Another account's refusal is only
// logged: its sign-out or message is not the present user's. `carriedToken`: false for a request
// sent without the token of a sign-in waiting for the agreement, whose refusal of the missing
// token (122) signs nobody out. `refusal`: whether the warning toast is the caller's.
void applyEnvelope(const Ref<foundation::Dictionary>& reply,
    const Ref<foundation::MutableDictionary>& parameters, bool ownAccount, bool carriedToken,
    KXHTTPREQUEST::Refusal refusal)
{
    const Id envelope(reply);
    if (envelope["errcode"].integerValue() == 0)
        return;
    const std::string message = envelope["message"].stringValue();
    if (message.find("参数错误") != std::string::npos)
        std::fprintf(stderr, "-----%s\n", message.c_str());
    KXHTTPErrorLog::append(message, parameters);
    if (!ownAccount)
        return;

    if (envelope["errcode"].integerValue() == 122) {
        if (!carriedToken)
            return;
        auto inner = foundation::Dictionary::create({{Id("logint"), Id("YES")}});
        dispatch::NotificationCenter::defaultCenter().post(KXHTTPREQUEST::kLogoutNotification, Id(),
                                                            foundation::Dictionary::create({{Id("loginOut"), Id(inner)}}));
        return;
    }
    if (envelope["tag"].stringValue() == "147")
        return; // the WeChat sign-in poll answers "not yet" with a non-zero code
    if (refusal == KXHTTPREQUEST::Refusal::ShownHere)
        KXHTTPREQUEST::showRefusal(envelope);
}

} // namespace

void KXHTTPREQUEST::showRefusal(const Id& reply)
{
    if (reply["errcode"].isNil() || reply["errcode"].integerValue() == 0)
        return;
    if (auto presenter = ToastPresenter::shared())
        presenter->show(reply["message"].stringValue(), ToastStyle::Warning, ToastWindow {});
}

std::shared_ptr<KXHTTPREQUEST> KXHTTPREQUEST::create()
{
    return std::shared_ptr<KXHTTPREQUEST>(new KXHTTPREQUEST());
}

KXHTTPREQUEST::~KXHTTPREQUEST() = default;

Ref<NKHTTPSessionManager> KXHTTPREQUEST::NKManager()
{
    return manager_.getOrCreate([] {
        auto manager = NKHTTPSessionManager::create(nullptr, KXSessionLimits::configuration());
        auto serializer = NKJSONResponseSerializer::serializer();
        serializer->setAcceptableContentTypes(foundation::Set::create({Id("text/plain"), Id("application/json"), Id("text/json"),
                                                                       Id("text/javascript"), Id("text/html"), Id("image/png"),
                                                                       Id("image/jpeg")}));
        manager->setResponseSerializer(serializer);
        manager->requestSerializer()->setTimeoutInterval(kTimeoutInterval);
        return manager;
    });
}

void KXHTTPREQUEST::setNKManager(Ref<NKHTTPSessionManager> manager)
{
    manager_.set(std::move(manager));
}

Ref<String> KXHTTPREQUEST::md5HexDigest(const Ref<String>& text)
{
    if (!text || text->utf8().empty())
        return nullptr;
    return KXMD5::md5String(text);
}

Ref<String> KXHTTPREQUEST::dictionaryToMD5HexSting(const Ref<foundation::Dictionary>& dictionary)
{
    std::vector<std::pair<std::string, std::string>> pairs;
    if (dictionary) {
        pairs.reserve(dictionary->count());
        for (const auto& entry : *dictionary)
            pairs.emplace_back(entry.key.stringValue(), entry.value.stringValue());
    }
    // Byte order equals the platform's plain compare for the ASCII keys of the API.
    std::sort(pairs.begin(), pairs.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    std::string joined;
    for (const auto& [key, value] : pairs) {
        if (!joined.empty())
            joined += '&';
        joined += key;
        joined += '=';
        joined += value;
    }
    const auto first = KXMD5::md5String(String::create(joined));
    return KXMD5::md5String(String::create(first->utf8() + kSalt));
}

Ref<String> KXHTTPREQUEST::getCurrentTimes()
{
    return String::create(KXHTTPErrorLog::timeStamp(*foundation::Date::date()));
}

void KXHTTPREQUEST::PostJsonWithURLString(std::string_view URLString,
    const Ref<foundation::MutableDictionary>& parameters, ReplyBlock success, ErrorBlock fail,
    ReplyScope scope, Refusal refusal)
{
    const auto dictionary = parameters ? parameters : foundation::MutableDictionary::create();
    // Taken with the token the request carries.
    const KXRequestAccount::Mark asked = KXRequestAccount::current();
    // While the agreement waits, only its own requests carry the waiting account's token.
    const bool carriedToken = asked.state != KXAccountState::State::AwaitingAgreement || scope == ReplyScope::Agreement;
    const bool dropsForAnotherAccount = scope == ReplyScope::Account || scope == ReplyScope::Agreement
                                        || (scope == ReplyScope::AccountIfSignedIn && asked.signedIn());
    // A user still to accept the agreement is nobody's account yet: nothing of it is asked.
    if (scope == ReplyScope::Account && asked.state == KXAccountState::State::AwaitingAgreement) {
        if (fail)
            dispatch::mainQueue().async([fail] { fail(KXRequestAccount::endedError()); });
        return;
    }
    addCommonParameters(*dictionary, scope);
    dictionary->setObject(Id(dictionaryToMD5HexSting(dictionary)), Id("secret"));

    // A failure is logged whoever asked; a per-user request whose account has gone hands its
    // caller the ended error, so no toast, reload or sign-out of it reaches the next account.
    auto failure = [fail, asked, dropsForAnotherAccount](const Ref<foundation::Error>& error) {
        if (!error)
            return;
        KXHTTPErrorLog::append(error->localizedDescription());
        if (!fail)
            return;
        const bool ended = dropsForAnotherAccount && !KXRequestAccount::isCurrent(asked);
        fail(ended ? KXRequestAccount::endedError() : error);
    };
    NKManager()->POST(
        URLString, Id(dictionary),
        [dictionary, success, failure, fail, asked, dropsForAnotherAccount, carriedToken, refusal](
            const Ref<net::URLSessionDataTask>&, const Id& responseObject) {
            auto reply = responseObject.dictionary();
            if (!reply) {
                failure(notAnObjectError());
                return;
            }
            const bool ownAccount = KXRequestAccount::isCurrent(asked);
            if (!ownAccount && dropsForAnotherAccount) {
                applyEnvelope(reply, dictionary, false, carriedToken, refusal);
                if (fail)
                    fail(KXRequestAccount::endedError());
                return;
            }
            if (success)
                success(responseObject);
            applyEnvelope(reply, dictionary, ownAccount, carriedToken, refusal);
        },
        [failure](const Ref<net::URLSessionDataTask>&, const Ref<foundation::Error>& error) { failure(error); });
}

void KXHTTPREQUEST::getJosonWithURLString(std::string_view URLString, const Id& parameters, ReplyBlock success, ErrorBlock fail)
{
    NKManager()->GET(
        URLString, parameters,
        [success](const Ref<net::URLSessionDataTask>&, const Id& responseObject) {
            if (success)
                success(responseObject);
        },
        [fail](const Ref<net::URLSessionDataTask>&, const Ref<foundation::Error>& error) {
            if (fail)
                fail(error);
        });
}

void KXHTTPREQUEST::cancelRequest()
{
    // The session manager has no operation queue of requests; cancelling its live tasks is the
    // same thing for the caller.
    const Ref<NKHTTPSessionManager> manager = manager_.get();
    if (!manager)
        return;
    if (auto tasks = manager->tasks()) {
        for (const Id& task : *tasks) {
            if (auto sessionTask = task.as<net::URLSessionTask>())
                sessionTask->cancel();
        }
    }
}

Ref<foundation::MutableArray> KXHTTPREQUEST::ttfPathA()
{
    return ttfPathA_.getOrCreate([] { return foundation::MutableArray::create(); });
}
