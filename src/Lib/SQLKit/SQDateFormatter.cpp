#include "Lib/SQLKit/SQDateFormatter.h"

#include <unicode/locid.h>
#include <unicode/smpdtfmt.h>
#include <unicode/simpletz.h>
#include <unicode/unistr.h>

using foundation::Date;
using foundation::Ref;
using foundation::String;

struct SQDateFormatter::Impl {
    std::unique_ptr<icu::SimpleDateFormat> format;
};

const foundation::Class* SQDateFormatter::classObject()
{
    static const foundation::Class* cls = &foundation::Class::define("NSDateFormatter", foundation::Object::classObject());
    return cls;
}

const foundation::Class* SQDateFormatter::isa() const
{
    return classObject();
}

SQDateFormatter::SQDateFormatter(std::string_view pattern, std::string_view locale, int gmtOffsetSeconds)
    : pattern_(pattern)
    , impl_(std::make_unique<Impl>())
{
    UErrorCode status = U_ZERO_ERROR;
    auto format = std::make_unique<icu::SimpleDateFormat>(
        icu::UnicodeString::fromUTF8(pattern), icu::Locale(std::string(locale).c_str()), status);
    if (U_FAILURE(status))
        return;
    // A fixed offset, like the platform's time zone "for seconds from GMT".
    format->adoptTimeZone(new icu::SimpleTimeZone(gmtOffsetSeconds * 1000, icu::UnicodeString(u"GMT")));
    format->setLenient(false);
    impl_->format = std::move(format);
}

SQDateFormatter::~SQDateFormatter() = default;

Ref<String> SQDateFormatter::stringFromDate(const Date& date) const
{
    std::lock_guard lock(mutex_);
    if (!impl_->format)
        return nullptr;
    icu::UnicodeString text;
    impl_->format->format(date.timeIntervalSince1970() * 1000.0, text);
    std::string utf8;
    text.toUTF8String(utf8);
    return String::create(utf8);
}

Ref<Date> SQDateFormatter::dateFromString(std::string_view text) const
{
    std::lock_guard lock(mutex_);
    if (!impl_->format)
        return nullptr;
    const icu::UnicodeString input = icu::UnicodeString::fromUTF8(text);
    icu::ParsePosition position(0);
    const UDate millis = impl_->format->parse(input, position);
    // The platform's formatter rejects text that the pattern does not cover entirely.
    if (position.getErrorIndex() >= 0 || position.getIndex() != input.length())
        return nullptr;
    return Date::dateWithTimeIntervalSince1970(millis / 1000.0);
}
