#include "Class/Update/Core/KXVersionCheck.h"

#include "Class/ServiceCore/Transport/KXHTTPBUSINESS.h"
#include "Platform/Foundation/Range.h"
#include "Platform/Foundation/String.h"
#include "Platform/Storage/UserDefaults.h"

using foundation::Id;

namespace {

std::string withoutBeta(const std::string& version)
{
    return foundation::String::create(version)->stringByReplacingOccurrencesOfString("_beta", "")->utf8();
}

} // namespace

bool KXVersionCheck::isNewer(const std::string& remote, const std::string& installed, Rule rule)
{
    const std::string local = rule == Rule::AboutPage ? withoutBeta(installed) : installed;
    return foundation::String::create(withoutBeta(remote))->compare(local, foundation::NumericSearch)
        == foundation::ComparisonResult::Descending;
}

std::optional<KXVersionCheck::Outcome> KXVersionCheck::evaluate(const Id& reply, const std::string& installed, Rule rule)
{
    if (reply["errcode"].isNil() || reply["errcode"].integerValue() != 0)
        return std::nullopt;
    const Id data = reply["corvane_data"];
    Outcome outcome;
    outcome.offer = {data["version"].stringValue(), data["content"].stringValue(), data["download"].stringValue()};
    outcome.newer = isNewer(outcome.offer.version, installed, rule);
    return outcome;
}

std::string KXVersionCheck::installedVersion()
{
    return Id(foundation::UserDefaults::standardUserDefaults().stringForKey("appVersion")).stringValue();
}

void KXVersionCheck::check(Rule rule, std::function<void(const Outcome&)> done)
{
    KXHTTPBUSINESS().getNewAppVersionInfoSuceess(
        [rule, done = std::move(done)](const Id& reply) {
            if (auto outcome = evaluate(reply, installedVersion(), rule))
                done(*outcome);
        },
        [](const foundation::Ref<foundation::Error>&) { });
}
