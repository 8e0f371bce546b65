#include "Platform/Foundation/Date.h"

#include <chrono>
#include <cmath>
#include <ctime>
#include <functional>

namespace foundation {

const Class* Date::classObject()
{
    static const Class* cls = &Class::define("NSDate", Object::classObject(), [] { return Date::date(); });
    return cls;
}

const Class* Date::isa() const
{
    return classObject();
}

Ref<Date> Date::date()
{
    auto now = std::chrono::system_clock::now().time_since_epoch();
    return std::make_shared<Date>(std::chrono::duration<double>(now).count());
}

Ref<Date> Date::dateWithTimeIntervalSince1970(double seconds)
{
    return std::make_shared<Date>(seconds);
}

Ref<Date> Date::dateWithTimeIntervalSinceReferenceDate(double seconds)
{
    return std::make_shared<Date>(seconds + kReferenceDateOffset);
}

double Date::timeIntervalSinceNow() const
{
    return seconds_ - date()->seconds_;
}

Ref<Date> Date::dateByAddingTimeInterval(double seconds) const
{
    return std::make_shared<Date>(seconds_ + seconds);
}

ComparisonResult Date::compare(const Date& other) const
{
    if (seconds_ < other.seconds_)
        return ComparisonResult::Ascending;
    if (seconds_ > other.seconds_)
        return ComparisonResult::Descending;
    return ComparisonResult::Same;
}

std::string Date::description() const
{
    std::time_t whole = static_cast<std::time_t>(std::floor(seconds_));
    std::tm utc{};
    gmtime_r(&whole, &utc);
    char buffer[64];
    std::strftime(buffer, sizeof buffer, "%Y-%m-%d %H:%M:%S +0000", &utc);
    return buffer;
}

bool Date::isEqual(const Object& other) const
{
    const auto* date = dynamic_cast<const Date*>(&other);
    return date && date->seconds_ == seconds_;
}

std::size_t Date::hash() const
{
    return std::hash<double>{}(seconds_);
}

} // namespace foundation
