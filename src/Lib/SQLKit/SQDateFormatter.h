#pragma once

#include "Platform/Foundation/Date.h"
#include "Platform/Foundation/Object.h"
#include "Platform/Foundation/String.h"

#include <memory>
#include <mutex>
#include <string>
#include <string_view>

// A date formatter with a fixed Unicode date pattern, locale and time zone, used by a connection
// to store dates as text. Safe to share between connections: each conversion takes a lock.
class SQDateFormatter : public foundation::Object {
public:
    static const foundation::Class* classObject();
    const foundation::Class* isa() const override;

    // `pattern` is a Unicode date pattern such as "yyyy-MM-dd HH:mm:ss"; `locale` an ICU locale
    // name ("en_US"); `gmtOffsetSeconds` the fixed time zone.
    SQDateFormatter(std::string_view pattern, std::string_view locale, int gmtOffsetSeconds);
    ~SQDateFormatter() override;

    const std::string& dateFormat() const { return pattern_; }
    // nil when the pattern could not be built.
    foundation::Ref<foundation::String> stringFromDate(const foundation::Date& date) const;
    // nil when the text does not match the pattern as a whole.
    foundation::Ref<foundation::Date> dateFromString(std::string_view text) const;

private:
    std::string pattern_;
    struct Impl; // the ICU formatter, kept out of this header
    mutable std::mutex mutex_; // ICU formatters are not safe for concurrent use
    std::unique_ptr<Impl> impl_;
};
