#pragma once

#include "Platform/Foundation/Object.h"
#include "Platform/Foundation/Range.h"

namespace foundation {

// A moment (NSDate): seconds since 1970-01-01 UTC as a double.
class Date final : public Object {
public:
    static const Class* classObject();
    const Class* isa() const override;

    static Ref<Date> date(); // now, from the system clock
    static Ref<Date> dateWithTimeIntervalSince1970(double seconds);
    static Ref<Date> dateWithTimeIntervalSinceReferenceDate(double seconds);
    static constexpr double kReferenceDateOffset = 978307200.0; // 2001-01-01 00:00:00 UTC

    double timeIntervalSince1970() const { return seconds_; }
    double timeIntervalSinceReferenceDate() const { return seconds_ - kReferenceDateOffset; }
    double timeIntervalSinceDate(const Date& other) const { return seconds_ - other.seconds_; }
    double timeIntervalSinceNow() const;
    Ref<Date> dateByAddingTimeInterval(double seconds) const;
    ComparisonResult compare(const Date& other) const;

    // "2026-12-06 21:00:58 +0000"
    std::string description() const override;
    bool isEqual(const Object& other) const override;
    std::size_t hash() const override;

    explicit Date(double secondsSince1970)
        : seconds_(secondsSince1970)
    {
    }

private:
    double seconds_;
};

} // namespace foundation
