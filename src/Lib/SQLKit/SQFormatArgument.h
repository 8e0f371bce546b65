#pragma once

#include "Platform/Foundation/Object.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <type_traits>

// One argument of a formatted SQL call, captured with its kind so that the conversions of the
// format can be checked against it: a wrong kind or a missing argument is reported, never read
// as something else.
class SQFormatArgument {
public:
    enum class Kind {
        Integer32, // char, short, int and their unsigned forms (and bool)
        Integer64, // long, long long and their unsigned forms
        Real,      // float, double
        Text,      // const char*, std::string, std::string_view
        Object,    // Id, Ref<T>, nullptr
    };

    template <class T>
        requires std::is_integral_v<T>
    SQFormatArgument(T value)
        : kind_(sizeof(T) <= 4 ? Kind::Integer32 : Kind::Integer64)
        , isUnsigned_(std::is_unsigned_v<T>)
        , signed_(static_cast<long long>(value))
        , unsigned_(static_cast<unsigned long long>(value))
    {
    }
    template <class T>
        requires std::is_floating_point_v<T>
    SQFormatArgument(T value)
        : kind_(Kind::Real)
        , real_(static_cast<double>(value))
    {
    }
    SQFormatArgument(const char* text)
        : kind_(Kind::Text)
        , text_(text ? text : "")
        , nullText_(text == nullptr)
    {
    }
    SQFormatArgument(const std::string& text)
        : kind_(Kind::Text)
        , text_(text)
    {
    }
    SQFormatArgument(std::string_view text)
        : kind_(Kind::Text)
        , text_(text)
    {
    }
    SQFormatArgument(std::nullptr_t)
        : kind_(Kind::Object)
    {
    }
    SQFormatArgument(const foundation::Id& object)
        : kind_(Kind::Object)
        , object_(object)
    {
    }
    template <foundation::ObjectType T>
    SQFormatArgument(const foundation::Ref<T>& object)
        : kind_(Kind::Object)
        , object_(object)
    {
    }

    Kind kind() const { return kind_; }
    bool isUnsigned() const { return isUnsigned_; }
    long long signedValue() const { return signed_; }
    unsigned long long unsignedValue() const { return unsigned_; }
    double realValue() const { return real_; }
    const std::string& text() const { return text_; }
    bool isNullText() const { return nullText_; }
    const foundation::Id& object() const { return object_; }

private:
    Kind kind_;
    bool isUnsigned_ = false;
    long long signed_ = 0;
    unsigned long long unsigned_ = 0;
    double real_ = 0;
    std::string text_;
    bool nullText_ = false;
    foundation::Id object_;
};
