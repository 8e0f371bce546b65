#include "Platform/Foundation/Number.h"

#include "Platform/Foundation/Format.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <functional>

namespace foundation {

const Class* valueClass()
{
    static const Class* cls = &Class::define("NSValue", Object::classObject());
    return cls;
}

const Class* Number::classObject()
{
    static const Class* cls = &Class::define("NSNumber", valueClass());
    return cls;
}

const Class* Number::isa() const
{
    return classObject();
}

const Class* DecimalNumber::classObject()
{
    static const Class* cls = &Class::define("NSDecimalNumber", Number::classObject());
    return cls;
}

const Class* DecimalNumber::isa() const
{
    return classObject();
}

Number::Number(NumberKind kind, long long value)
    : kind_(kind)
{
    value_.i = value;
}

Number::Number(NumberKind kind, unsigned long long value)
    : kind_(kind)
{
    value_.u = value;
}

Number::Number(NumberKind kind, double value)
    : kind_(kind)
{
    value_.d = value;
}

Ref<Number> Number::numberWithBool(bool value)
{
    static const Ref<Number> yes = std::make_shared<Number>(NumberKind::Bool, 1LL);
    static const Ref<Number> no = std::make_shared<Number>(NumberKind::Bool, 0LL);
    return value ? yes : no;
}

Ref<Number> Number::make(long long value, NumberKind kind)
{
    if (kind == NumberKind::Bool)
        return numberWithBool(value != 0);
    if (kind == NumberKind::Float || kind == NumberKind::Double)
        return makeReal(static_cast<double>(value), kind);
    return std::make_shared<Number>(kind, value);
}

Ref<Number> Number::makeUnsigned(unsigned long long value, NumberKind kind)
{
    return std::make_shared<Number>(kind, value);
}

Ref<Number> Number::makeReal(double value, NumberKind kind)
{
    if (kind == NumberKind::Float)
        value = static_cast<float>(value);
    return std::make_shared<Number>(kind, value);
}

Ref<Number> Number::numberWithChar(char value) { return make(value, NumberKind::Char); }
Ref<Number> Number::numberWithUnsignedChar(unsigned char value) { return makeUnsigned(value, NumberKind::UnsignedChar); }
Ref<Number> Number::numberWithShort(short value) { return make(value, NumberKind::Short); }
Ref<Number> Number::numberWithUnsignedShort(unsigned short value) { return makeUnsigned(value, NumberKind::UnsignedShort); }
Ref<Number> Number::numberWithInt(int value) { return make(value, NumberKind::Int); }
Ref<Number> Number::numberWithUnsignedInt(unsigned int value) { return makeUnsigned(value, NumberKind::UnsignedInt); }
Ref<Number> Number::numberWithInteger(long value) { return make(value, NumberKind::Long); }
Ref<Number> Number::numberWithUnsignedInteger(unsigned long value) { return makeUnsigned(value, NumberKind::UnsignedLong); }
Ref<Number> Number::numberWithLongLong(long long value) { return make(value, NumberKind::LongLong); }
Ref<Number> Number::numberWithUnsignedLongLong(unsigned long long value)
{
    return makeUnsigned(value, NumberKind::UnsignedLongLong);
}
Ref<Number> Number::numberWithFloat(float value) { return makeReal(value, NumberKind::Float); }
Ref<Number> Number::numberWithDouble(double value) { return makeReal(value, NumberKind::Double); }

bool Number::isUnsigned() const
{
    switch (kind_) {
    case NumberKind::UnsignedChar:
    case NumberKind::UnsignedShort:
    case NumberKind::UnsignedInt:
    case NumberKind::UnsignedLong:
    case NumberKind::UnsignedLongLong:
        return true;
    default:
        return false;
    }
}

char Number::objCType() const
{
    switch (kind_) {
    case NumberKind::Bool:
    case NumberKind::Char:
        return 'c';
    case NumberKind::UnsignedChar:
        return 'C';
    case NumberKind::Short:
        return 's';
    case NumberKind::UnsignedShort:
        return 'S';
    case NumberKind::Int:
        return 'i';
    case NumberKind::UnsignedInt:
        return 'I';
    case NumberKind::Long:
    case NumberKind::LongLong:
        return 'q';
    case NumberKind::UnsignedLong:
    case NumberKind::UnsignedLongLong:
        return 'Q';
    case NumberKind::Float:
        return 'f';
    case NumberKind::Double:
        return 'd';
    }
    return 'q';
}

bool Number::boolValue() const
{
    if (isReal())
        return value_.d != 0.0;
    return value_.u != 0;
}

long long Number::longLongValue() const
{
    if (isReal()) {
        double d = value_.d;
        if (std::isnan(d))
            return 0;
        if (d >= 9223372036854775807.0)
            return LLONG_MAX;
        if (d <= -9223372036854775808.0)
            return LLONG_MIN;
        return static_cast<long long>(d);
    }
    return value_.i;
}

unsigned long long Number::unsignedLongLongValue() const
{
    if (isReal()) {
        double d = value_.d;
        if (std::isnan(d))
            return 0;
        if (d < 0)
            return static_cast<unsigned long long>(longLongValue());
        if (d >= 18446744073709551615.0)
            return ULLONG_MAX;
        return static_cast<unsigned long long>(d);
    }
    return value_.u;
}

double Number::doubleValue() const
{
    if (isReal())
        return value_.d;
    if (isUnsigned())
        return static_cast<double>(value_.u);
    return static_cast<double>(value_.i);
}

ComparisonResult Number::compare(const Number& other) const
{
    auto order = [](auto a, auto b) {
        return a < b ? ComparisonResult::Ascending : (b < a ? ComparisonResult::Descending : ComparisonResult::Same);
    };
    if (isReal() || other.isReal())
        return order(doubleValue(), other.doubleValue());
    // Both integral: compare exactly, minding unsigned values beyond LLONG_MAX.
    bool big = isUnsigned() && value_.u > static_cast<unsigned long long>(LLONG_MAX);
    bool otherBig = other.isUnsigned() && other.value_.u > static_cast<unsigned long long>(LLONG_MAX);
    if (big || otherBig) {
        if (big && otherBig)
            return order(value_.u, other.value_.u);
        return big ? ComparisonResult::Descending : ComparisonResult::Ascending;
    }
    return order(value_.i, other.value_.i);
}

bool Number::isEqual(const Object& other) const
{
    if (this == &other)
        return true;
    const auto* number = dynamic_cast<const Number*>(&other);
    return number && compare(*number) == ComparisonResult::Same;
}

std::size_t Number::hash() const
{
    // Equal numbers of different kinds hash alike: integral values hash as integers.
    if (isReal()) {
        double d = value_.d;
        if (std::isfinite(d) && d == std::floor(d) && std::fabs(d) < 9.2e18)
            return std::hash<long long>{}(static_cast<long long>(d));
        return std::hash<double>{}(d);
    }
    return std::hash<long long>{}(value_.i);
}

std::string Number::description() const
{
    if (kind_ == NumberKind::Double || kind_ == NumberKind::Float)
        return format(kind_ == NumberKind::Double ? "%.16g" : "%.7g", value_.d);
    char buffer[64];
    if (isUnsigned()) {
        auto result = std::to_chars(buffer, buffer + sizeof buffer, value_.u);
        return std::string(buffer, result.ptr);
    }
    auto result = std::to_chars(buffer, buffer + sizeof buffer, value_.i);
    return std::string(buffer, result.ptr);
}

} // namespace foundation
