#pragma once

#include "Platform/Foundation/Object.h"
#include "Platform/Foundation/Range.h"

#include <cstdint>

namespace foundation {

// The kind a number was made with; it decides its type encoding, its JSON form (booleans as
// true/false) and how binding and reflection read it. Numbers of different kinds are equal when
// their values are.
enum class NumberKind : std::uint8_t {
    Bool,
    Char,
    UnsignedChar,
    Short,
    UnsignedShort,
    Int,
    UnsignedInt,
    Long,
    UnsignedLong,
    LongLong,
    UnsignedLongLong,
    Float,
    Double,
};

class Number : public Object {
public:
    static const Class* classObject(); // NSNumber (NSValue's subclass)
    const Class* isa() const override;

    static Ref<Number> numberWithBool(bool value); // two shared instances
    static Ref<Number> numberWithChar(char value);
    static Ref<Number> numberWithUnsignedChar(unsigned char value);
    static Ref<Number> numberWithShort(short value);
    static Ref<Number> numberWithUnsignedShort(unsigned short value);
    static Ref<Number> numberWithInt(int value);
    static Ref<Number> numberWithUnsignedInt(unsigned int value);
    static Ref<Number> numberWithInteger(long value);
    static Ref<Number> numberWithUnsignedInteger(unsigned long value);
    static Ref<Number> numberWithLongLong(long long value);
    static Ref<Number> numberWithUnsignedLongLong(unsigned long long value);
    static Ref<Number> numberWithFloat(float value);
    static Ref<Number> numberWithDouble(double value);
    static Ref<Number> make(long long value, NumberKind kind);
    static Ref<Number> makeUnsigned(unsigned long long value, NumberKind kind);
    static Ref<Number> makeReal(double value, NumberKind kind);

    NumberKind kind() const { return kind_; }
    bool isBoolean() const { return kind_ == NumberKind::Bool; }
    bool isReal() const { return kind_ == NumberKind::Float || kind_ == NumberKind::Double; }
    bool isUnsigned() const;
    // The type encoding character: 'c' (also BOOL), 'C', 's', 'S', 'i', 'I', 'q', 'Q', 'f', 'd'.
    char objCType() const;

    bool boolValue() const;
    char charValue() const { return static_cast<char>(longLongValue()); }
    short shortValue() const { return static_cast<short>(longLongValue()); }
    int intValue() const { return static_cast<int>(longLongValue()); }
    long integerValue() const { return static_cast<long>(longLongValue()); }
    long long longLongValue() const;
    unsigned int unsignedIntValue() const { return static_cast<unsigned int>(unsignedLongLongValue()); }
    unsigned long unsignedIntegerValue() const { return static_cast<unsigned long>(unsignedLongLongValue()); }
    unsigned long long unsignedLongLongValue() const;
    float floatValue() const { return static_cast<float>(doubleValue()); }
    double doubleValue() const;

    ComparisonResult compare(const Number& other) const;
    bool isEqualToNumber(const Number& other) const { return compare(other) == ComparisonResult::Same; }

    // Integers in decimal, BOOL as 1 or 0, doubles with up to 16 significant digits ("0.1", "3.5",
    // "1e+20"), floats with up to 7; never locale-dependent.
    std::string description() const override;
    std::string stringValue() const { return description(); }
    bool isEqual(const Object& other) const override;
    std::size_t hash() const override;

    Number(NumberKind kind, long long value);
    Number(NumberKind kind, unsigned long long value);
    Number(NumberKind kind, double value);

private:
    NumberKind kind_;
    union {
        long long i;
        unsigned long long u;
        double d;
    } value_;
};

// NSDecimalNumber: numbers the model mapping makes from decimal text; a Number in every other way.
class DecimalNumber final : public Number {
public:
    static const Class* classObject();
    const Class* isa() const override;
    using Number::Number;
};

// NSValue: the root of Number; boxed structs (points, sizes, ranges) live in the components that
// need them.
const Class* valueClass();

} // namespace foundation
