#include "Class/ServiceCore/Transport/KXHTTPErrorLog.h"

#include "Class/ServiceCore/UnitTools/KXFileManager.h"
#include "Platform/DateFormat/DateFormatter.h"
#include "Platform/Foundation/Format.h"

using foundation::Id;
using foundation::Ref;
using foundation::String;

namespace {

// The signature (a digest over every parameter with the client's salt: a handful of guesses
// recover a short password from it), passwords, the session token, the sign-in ticket, the text
// of an encrypted folder and the SMS verification code.
constexpr const char* kSecretKeys[] = {"secret", "password", "pwd", "encrypt_str", "code", "token", "ticket"};
constexpr std::size_t kImageKept = 32;

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
            copy->removeObjectForKey(Id(key));
    }
    // A cover image goes as base64 text of up to megabytes: its start and its length say enough.
    const std::string image = copy->objectForKey("img").stringValue();
    if (image.size() > kImageKept)
        copy->setObject(Id(image.substr(0, kImageKept) + "... (" + std::to_string(image.size()) + " bytes)"), Id("img"));
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
