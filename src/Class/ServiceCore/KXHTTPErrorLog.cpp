#include "Class/ServiceCore/KXHTTPErrorLog.h"

#include "Class/ServiceCore/UnitTools/KXFileManager.h"
#include "Platform/DateFormat/DateFormatter.h"
#include "Platform/Foundation/Format.h"

using foundation::Id;
using foundation::Ref;
using foundation::String;

namespace {

constexpr const char* kSecretKeys[] = {"password", "token"};

} // namespace

std::string KXHTTPErrorLog::timeStamp(const foundation::Date& date)
{
    // A new formatter per call keeps the time zone current; "yyyy" is the calendar year ("YYYY"
    // would be the week-based one and shows the next year in the last days of December).
    auto formatter = foundation::DateFormatter::create();
    formatter->setLocaleIdentifier("en_US_POSIX");
    formatter->setDateFormat("yyyy-MM-dd HH:mm:ss");
    return formatter->stringFromDate(date);
}

Ref<foundation::MutableDictionary> KXHTTPErrorLog::redacted(const Ref<foundation::Dictionary>& param)
{
    auto copy = param ? foundation::MutableDictionary::dictionaryWithDictionary(*param) : foundation::MutableDictionary::create();
    for (const char* key : kSecretKeys) {
        const Id value = copy->objectForKey(key);
        if (!value.isNil() && !value.stringValue().empty())
            copy->setObject(Id(kMask), Id(key));
    }
    return copy;
}

std::string KXHTTPErrorLog::trimmedToLimit(const std::string& text, std::size_t limit)
{
    if (text.size() <= limit)
        return text;
    // Drop whole lines from the front until the rest fits; a single line longer than the limit is
    // cut to its last bytes at a character boundary.
    std::size_t start = text.size() - limit;
    if (start > 0 && text[start - 1] != '\n') {
        const std::size_t nextLine = text.find('\n', start);
        if (nextLine != std::string::npos && nextLine + 1 < text.size())
            return text.substr(nextLine + 1);
        while (start < text.size() && (static_cast<unsigned char>(text[start]) & 0xC0) == 0x80)
            ++start;
    }
    return text.substr(start);
}

void KXHTTPErrorLog::append(const std::string& message, const Ref<foundation::Dictionary>& param)
{
    auto& files = KXFileManager::sharedKXFileManager();
    const auto key = String::create(kFileKey);
    const std::string line = foundation::format("%@:%@\n", timeStamp(*foundation::Date::date()), message);

    auto stored = files.returnDecryptDataByPathKey(key).dictionary();
    auto log = stored ? foundation::MutableDictionary::dictionaryWithDictionary(*stored) : foundation::MutableDictionary::create();
    const std::string errorinfo = log->objectForKey("errorinfo").stringValue() + line;
    log->setObject(Id(trimmedToLimit(errorinfo, kMaxErrorInfoBytes)), Id("errorinfo"));
    if (param)
        log->setObject(Id(redacted(param)), Id("param"));
    files.writeEncryptDataWithDictionary(Id(log), key);
}
