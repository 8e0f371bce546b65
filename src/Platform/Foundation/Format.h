#pragma once

#include "Platform/Foundation/Object.h"

#include <array>
#include <span>
#include <string>
#include <string_view>

namespace foundation {

// One argument of the platform's printf dialect, captured by kind so that formatting is type-safe:
// a conversion given the wrong kind prints the nearest sensible text instead of undefined output.
class FormatArg {
public:
    enum class Kind { Signed, Unsigned, Real, Text, Object, Pointer };

    FormatArg(bool v)
        : kind_(Kind::Signed)
        , signed_(v)
    {
    }
    template <class T>
        requires(std::is_integral_v<T> && std::is_signed_v<T>)
    FormatArg(T v)
        : kind_(Kind::Signed)
        , signed_(v)
    {
    }
    template <class T>
        requires(std::is_integral_v<T> && std::is_unsigned_v<T> && !std::is_same_v<T, bool>)
    FormatArg(T v)
        : kind_(Kind::Unsigned)
        , unsigned_(v)
    {
    }
    FormatArg(double v)
        : kind_(Kind::Real)
        , real_(v)
    {
    }
    FormatArg(float v)
        : kind_(Kind::Real)
        , real_(v)
    {
    }
    FormatArg(const char* text)
        : kind_(Kind::Text)
        , text_(text ? std::string_view(text) : std::string_view())
        , nullText_(text == nullptr)
    {
    }
    FormatArg(const std::string& text)
        : kind_(Kind::Text)
        , text_(text)
    {
    }
    FormatArg(std::string_view text)
        : kind_(Kind::Text)
        , text_(text)
    {
    }
    FormatArg(const Id& object)
        : kind_(Kind::Object)
        , object_(&object)
    {
    }
    template <ObjectType T>
    FormatArg(const Ref<T>& object)
        : kind_(Kind::Object)
        , held_(object)
        , object_(&held_)
    {
    }
    template <class T>
        requires(!std::is_same_v<std::remove_cv_t<T>, char>)
    FormatArg(T* pointer)
        : kind_(Kind::Pointer)
        , pointer_(reinterpret_cast<const void*>(pointer))
    {
    }
    FormatArg(const FormatArg& other);
    FormatArg& operator=(const FormatArg&) = delete;

    Kind kind() const { return kind_; }
    long long asSigned() const;
    unsigned long long asUnsigned() const;
    double asReal() const;
    std::string asText() const; // %@ / %s text: an object's description, "(null)" for nil
    const void* asPointer() const { return pointer_; }

private:
    Kind kind_;
    long long signed_ = 0;
    unsigned long long unsigned_ = 0;
    double real_ = 0;
    std::string_view text_;
    bool nullText_ = false;
    Id held_;
    const Id* object_ = nullptr;
    const void* pointer_ = nullptr;
};

// Formats with the platform's printf dialect: %@ %d %i %u %ld %lu %lld %llu %zd %zu %qd %f %.Nf %e
// %g %s %c %p %x %X %o %% with flags (- 0 + space #), widths and precisions (also "*"). Numbers
// never depend on the process locale. Missing arguments print as nil or 0.
std::string formatArgs(std::string_view format, std::span<const FormatArg> args);

template <class... Args>
std::string format(std::string_view fmt, const Args&... args)
{
    if constexpr (sizeof...(Args) == 0) {
        return formatArgs(fmt, {});
    } else {
        const std::array<FormatArg, sizeof...(Args)> list{FormatArg(args)...};
        return formatArgs(fmt, list);
    }
}

} // namespace foundation
