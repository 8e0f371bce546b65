#include "Platform/DateFormat/DateFormatter.h"

#include "Platform/Foundation/Date.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <unicode/calendar.h>
#include <unicode/gregocal.h>
#include <unicode/locid.h>
#include <unicode/simpletz.h>
#include <unicode/smpdtfmt.h>
#include <unicode/timezone.h>
#include <unicode/unistr.h>

namespace foundation {

struct DateFormatter::State {
    std::string pattern;
    icu::Locale locale = icu::Locale::getDefault();
    std::unique_ptr<icu::TimeZone> zone { icu::TimeZone::createDefault() };
    std::unique_ptr<icu::SimpleDateFormat> format;
};

namespace {

icu::UnicodeString unicode(std::string_view text)
{
    return icu::UnicodeString::fromUTF8(icu::StringPiece(text.data(), static_cast<int32_t>(text.size())));
}

std::string utf8(const icu::UnicodeString& text)
{
    std::string out;
    text.toUTF8String(out);
    return out;
}

} // namespace

const Class* DateFormatter::classObject()
{
    static const Class* formatter = &Class::define("NSFormatter", Object::classObject());
    static const Class* cls = &Class::define("NSDateFormatter", formatter, [] { return create(); });
    return cls;
}

namespace {
// Registered when the program starts, so that lookup by name finds it before first use.
[[maybe_unused]] const Class* const registeredAtLoad = DateFormatter::classObject();
} // namespace

const Class* DateFormatter::isa() const
{
    return classObject();
}

DateFormatter::DateFormatter()
    : state_(std::make_unique<State>())
{
    rebuildLocked();
}

DateFormatter::~DateFormatter() = default;

void DateFormatter::rebuildLocked()
{
    UErrorCode status = U_ZERO_ERROR;
    auto format = std::make_unique<icu::SimpleDateFormat>(unicode(state_->pattern), state_->locale, status);
    if (U_FAILURE(status)) {
        // A pattern ICU refuses formats nothing and parses nothing.
        state_->format.reset();
        return;
    }
    format->setTimeZone(*state_->zone);
    format->setLenient(false);
    // The platform starts two-digit years 80 years back from now; ICU does the same by default.
    state_->format = std::move(format);
}

void DateFormatter::setDateFormat(std::string_view pattern)
{
    std::lock_guard lock(mutex_);
    state_->pattern = pattern;
    rebuildLocked();
}

std::string DateFormatter::dateFormat() const
{
    std::lock_guard lock(mutex_);
    return state_->pattern;
}

void DateFormatter::setLocaleIdentifier(std::string_view identifier)
{
    std::lock_guard lock(mutex_);
    state_->locale = icu::Locale::createCanonical(std::string(identifier).c_str());
    rebuildLocked();
}

std::string DateFormatter::localeIdentifier() const
{
    std::lock_guard lock(mutex_);
    return state_->locale.getName();
}

bool DateFormatter::setTimeZoneName(std::string_view name)
{
    std::unique_ptr<icu::TimeZone> zone(icu::TimeZone::createTimeZone(unicode(name)));
    if (!zone || *zone == icu::TimeZone::getUnknown())
        return false;
    std::lock_guard lock(mutex_);
    state_->zone = std::move(zone);
    rebuildLocked();
    return true;
}

void DateFormatter::setTimeZoneSecondsFromGMT(int seconds)
{
    int minutes = std::abs(seconds) / 60;
    char id[32];
    std::snprintf(id, sizeof id, "GMT%c%02d:%02d", seconds < 0 ? '-' : '+', minutes / 60, minutes % 60);
    auto zone = std::make_unique<icu::SimpleTimeZone>(seconds * 1000, icu::UnicodeString(id));
    std::lock_guard lock(mutex_);
    state_->zone = std::move(zone);
    rebuildLocked();
}

std::string DateFormatter::timeZoneName() const
{
    std::lock_guard lock(mutex_);
    icu::UnicodeString id;
    state_->zone->getID(id);
    return utf8(id);
}

std::string DateFormatter::stringFromDate(const Date& date) const
{
    std::lock_guard lock(mutex_);
    if (!state_->format)
        return {};
    icu::UnicodeString out;
    UErrorCode status = U_ZERO_ERROR;
    state_->format->format(date.timeIntervalSince1970() * 1000.0, out, nullptr, status);
    // ICU skips a letter it does not know and says so only through the status.
    return U_FAILURE(status) ? std::string() : utf8(out);
}

Ref<Date> DateFormatter::dateFromString(std::string_view text) const
{
    std::lock_guard lock(mutex_);
    if (!state_->format)
        return nullptr;
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::Calendar> calendar(state_->format->getCalendar()->clone());
    calendar->clear();
    calendar->set(2000, UCAL_JANUARY, 1, 0, 0, 0);
    icu::UnicodeString input = unicode(text);
    icu::ParsePosition position(0);
    state_->format->parse(input, *calendar, position);
    if (position.getErrorIndex() >= 0 || position.getIndex() != input.length() || input.isEmpty())
        return nullptr;
    UDate millis = calendar->getTime(status);
    if (U_FAILURE(status))
        return nullptr;
    return Date::dateWithTimeIntervalSince1970(millis / 1000.0);
}

} // namespace foundation
