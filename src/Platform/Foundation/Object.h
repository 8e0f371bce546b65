#pragma once

#include "Platform/Foundation/Class.h"

#include <concepts>
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>

namespace foundation {

class String;
class Number;
class Array;
class Dictionary;

// The root of the object model. Objects are shared (Ref<T> = std::shared_ptr<T>) and compared by
// isEqual/hash the way the platform compares them; identity is the pointer.
class Object : public std::enable_shared_from_this<Object> {
public:
    virtual ~Object() = default;

    static const Class* classObject(); // NSObject
    virtual const Class* isa() const;
    bool isKindOfClass(const Class* cls) const { return isa()->isSubclassOfClass(cls); }
    bool isMemberOfClass(const Class* cls) const { return isa() == cls; }

    // Locale-independent text of the object, as the platform's -description prints it.
    virtual std::string description() const;
    // Text of the object inside a container's description, indented to `level`.
    virtual std::string descriptionWithIndent(int level) const;
    virtual bool isEqual(const Object& other) const { return this == &other; }
    virtual std::size_t hash() const;

    // An immutable copy (immutable objects answer themselves) and a shallow mutable copy. Objects
    // without a mutable kind answer themselves from both.
    virtual Ref<Object> copy() const;
    virtual Ref<Object> mutableCopy() const;

    Ref<Object> self() { return shared_from_this(); }
    Ref<const Object> self() const { return shared_from_this(); }

protected:
    Object() = default;
    Object(const Object&) = default;
    Object& operator=(const Object&) = default;
};

template <class T>
concept ObjectType = std::derived_from<T, Object>;

template <class T>
concept Arithmetic = std::is_arithmetic_v<T>;

// A nil-tolerant handle over any object: every accessor answers nil, 0, NO or "" when the handle
// is nil or holds the wrong kind, so server data of an unexpected shape never ends the process.
// Values convert implicitly: Id("text") is a string, Id(3) an int number, Id(true) a BOOL number.
class Id {
public:
    Id() = default;
    Id(std::nullptr_t) { }
    template <ObjectType T>
    Id(Ref<T> object)
        : object_(std::move(object))
    {
    }
    Id(const char* utf8);
    Id(const std::string& utf8);
    Id(std::string_view utf8);
    template <Arithmetic T>
    Id(T value);

    bool isNil() const { return !object_; }
    explicit operator bool() const { return object_ != nullptr; }
    Object* get() const { return object_.get(); }
    const Ref<Object>& ref() const { return object_; }

    // The object as T, or nil when it is another kind.
    template <ObjectType T>
    Ref<T> as() const
    {
        return std::dynamic_pointer_cast<T>(object_);
    }
    template <ObjectType T>
    T* ptr() const
    {
        return dynamic_cast<T*>(object_.get());
    }
    template <ObjectType T>
    bool is() const
    {
        return dynamic_cast<const T*>(object_.get()) != nullptr;
    }
    bool isKindOfClass(const Class* cls) const { return object_ && object_->isKindOfClass(cls); }
    bool isNull() const; // the Null object, which is not nil

    // Subscripts: a dictionary by key, an array by index; nil for anything else or out of range.
    Id operator[](std::string_view key) const;
    Id operator[](const char* key) const { return (*this)[std::string_view(key)]; }
    Id operator[](const std::string& key) const { return (*this)[std::string_view(key)]; }
    Id operator[](const Id& key) const;
    Id operator[](std::size_t index) const;
    Id operator[](int index) const;

    // Scalar values of numbers and strings (the string's parsing rules); 0 / NO otherwise.
    long long integerValue() const;
    int intValue() const;
    long long longLongValue() const { return integerValue(); }
    unsigned long long unsignedLongLongValue() const;
    double doubleValue() const;
    float floatValue() const;
    bool boolValue() const;
    // The text of a string, or a number's description; "" for anything else.
    std::string stringValue() const;
    Ref<String> string() const;
    Ref<Dictionary> dictionary() const;
    Ref<Array> array() const;
    Ref<Number> number() const;

    std::size_t count() const; // elements of a container, UTF-16 length of a string, else 0

    std::string description() const; // "(null)" for nil
    bool isEqual(const Id& other) const;
    std::size_t hash() const { return object_ ? object_->hash() : 0; }
    Id copy() const { return object_ ? Id(object_->copy()) : Id(); }
    Id mutableCopy() const { return object_ ? Id(object_->mutableCopy()) : Id(); }

    // Identity, as the platform's == on object pointers.
    friend bool operator==(const Id& a, const Id& b) { return a.object_ == b.object_; }

private:
    static Ref<Object> makeNumber(long long value, int kind);
    static Ref<Object> makeUnsigned(unsigned long long value, int kind);
    static Ref<Object> makeReal(double value, int kind);
    static Ref<Object> makeBool(bool value);

    Ref<Object> object_;
};

// Number kinds as the platform records them (the order is the kind's numbering in Number.h).
namespace detail {
template <class T>
constexpr int numberKindOf()
{
    if constexpr (std::is_same_v<T, bool>)
        return 0;
    else if constexpr (std::is_same_v<T, char> || std::is_same_v<T, signed char>)
        return 1;
    else if constexpr (std::is_same_v<T, unsigned char>)
        return 2;
    else if constexpr (std::is_same_v<T, short>)
        return 3;
    else if constexpr (std::is_same_v<T, unsigned short>)
        return 4;
    else if constexpr (std::is_same_v<T, int>)
        return 5;
    else if constexpr (std::is_same_v<T, unsigned int>)
        return 6;
    else if constexpr (std::is_same_v<T, long>)
        return 7;
    else if constexpr (std::is_same_v<T, unsigned long>)
        return 8;
    else if constexpr (std::is_same_v<T, long long>)
        return 9;
    else if constexpr (std::is_same_v<T, unsigned long long>)
        return 10;
    else if constexpr (std::is_same_v<T, float>)
        return 11;
    else
        return 12;
}
} // namespace detail

template <Arithmetic T>
Id::Id(T value)
{
    constexpr int kind = detail::numberKindOf<T>();
    if constexpr (std::is_same_v<T, bool>)
        object_ = makeBool(value);
    else if constexpr (std::is_floating_point_v<T>)
        object_ = makeReal(static_cast<double>(value), kind);
    else if constexpr (std::is_unsigned_v<T>)
        object_ = makeUnsigned(static_cast<unsigned long long>(value), kind);
    else
        object_ = makeNumber(static_cast<long long>(value), kind);
}

// Hash and equality adaptors for standard containers keyed by Id (isEqual/hash semantics).
struct IdHash {
    std::size_t operator()(const Id& id) const { return id.hash(); }
};
struct IdEqual {
    bool operator()(const Id& a, const Id& b) const { return a.isEqual(b); }
};

} // namespace foundation
