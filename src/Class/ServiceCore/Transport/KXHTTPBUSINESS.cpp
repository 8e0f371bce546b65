#include "Class/ServiceCore/Transport/KXHTTPBUSINESS.h"

#include "Class/ServiceCore/Transport/KXAccountWrites.h"

#include "Platform/Foundation/Data.h"
#include "Platform/Foundation/Number.h"
#include "Platform/Serialization/JSONSerialization.h"
#include "Platform/Serialization/PropertyListSerialization.h"
#include "Platform/Storage/Paths.h"

#include <cstdlib>
#include <mutex>

using foundation::Id;
using foundation::Ref;
using foundation::String;

namespace {

std::string configuredBaseURL()
{
    static std::once_flag once;
    static std::string value;
    std::call_once(once, [] {
        auto data = foundation::Data::dataWithContentsOfFile(foundation::Paths::resourceDirectory() / "config.plist");
        if (!data)
            return;
        value = foundation::PropertyListSerialization::propertyListWithData(data, 0)[KXHTTPBUSINESS::kBaseURLConfigKey].stringValue();
    });
    return value;
}

} // namespace

std::string KXHTTPBUSINESS::apiBaseURL()
{
    const char* variable = std::getenv(kBaseURLVariable);
    std::string base = variable && *variable ? std::string(variable) : configuredBaseURL();
    if (!base.starts_with("https://"))
        return {};
    if (!base.ends_with('/'))
        base += '/';
    return base;
}

std::shared_ptr<KXHTTPREQUEST> KXHTTPBUSINESS::REQUEST()
{
    if (!request_)
        request_ = KXHTTPREQUEST::create();
    return request_;
}

Ref<String> KXHTTPBUSINESS::arrayToJsonString(const Ref<foundation::Array>& array)
{
    if (!array)
        return String::create("");
    auto data = foundation::JSONSerialization::dataWithJSONObject(Id(array), foundation::JSONWritingPrettyPrinted);
    if (!data)
        return String::create("");
    return String::create(data->view());
}

KXHTTPBUSINESS::Parameters KXHTTPBUSINESS::parameters(std::string_view tag, std::initializer_list<Field> fields)
{
    auto dictionary = foundation::MutableDictionary::create();
    dictionary->setObject(Id(tag), Id("tag"));
    for (const auto& [key, value] : fields) {
        if (!value.isNil())
            dictionary->setObject(value, Id(key));
    }
    return dictionary;
}

void KXHTTPBUSINESS::post(std::string_view path, const Parameters& parameters, Success success, Failure failure, Scope scope)
{
    // A write whose reply never came may have been made: what the service holds is read back
    // before its caller hears of the failure.
    if (const auto* write = KXAccountWrites::find(Id(parameters)["tag"].stringValue(), path)) {
        // A write whose doubling costs the person is kept before it leaves.
        const std::string subject = write->subject.empty()
            ? std::string()
            : Id(parameters)[std::string(write->subject)].stringValue();
        if (const unsigned long long kept = KXAccountWrites::keepAhead(*write, subject)) {
            success = KXAccountWrites::landingOnReply(*write, kept, std::move(success));
            failure = KXAccountWrites::readingBackOnFailure(*write, kept, std::move(failure));
        } else {
            success = KXAccountWrites::landingOnReply(*write, std::move(success));
            failure = KXAccountWrites::readingBackOnFailure(*write, std::move(failure));
        }
    }
    REQUEST()->PostJsonWithURLString(apiBaseURL() + std::string(path), parameters, std::move(success),
        std::move(failure), scope, refusal_);
}
