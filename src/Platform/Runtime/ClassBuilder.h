#pragma once

#include "Platform/Foundation/Class.h"
#include "Platform/Foundation/Object.h"
#include "Platform/Runtime/PropertyAttributes.h"
#include "Platform/Runtime/TypeEncoding.h"

#include <functional>
#include <memory>
#include <string>
#include <type_traits>
#include <utility>

namespace runtime {

template <class T> inline constexpr bool isWeakPointer = false;
template <class U> inline constexpr bool isWeakPointer<std::weak_ptr<U>> = true;
template <class T> inline constexpr bool isBlockType = false;
template <class Signature> inline constexpr bool isBlockType<std::function<Signature>> = true;

// Registers a C++ class with the runtime: its name, superclass, a factory and its properties in
// declaration order, each with the type encoding and attribute text deduced from the member type.
// Typical use, inside the class's own classObject():
//
//   static const Class* cls = runtime::ClassBuilder<KXFontBaseModel>("KXFontBaseModel")
//       .property("fontid", &KXFontBaseModel::fontid)
//       .property("fontname", &KXFontBaseModel::fontname, {.copy = true})
//       .build();
//
// The class must answer that class from isa(). Registering a name that already exists changes
// nothing and answers the existing class. Lookup by name finds a class once its classObject() has
// run, so a class that must be found by name (archives, model mapping) is set up at start.
template <foundation::ObjectType Self> class ClassBuilder {
public:
    explicit ClassBuilder(
        std::string name, const foundation::Class* superclass = foundation::Object::classObject())
        : name_(std::move(name))
    {
        existing_ = foundation::Class::named(name_);
        // A new class is built aside and published whole by build(), so no other thread can find it
        // by name with half of its properties.
        if (!existing_)
            staged_ = std::make_unique<foundation::Class>(name_, superclass, factory());
    }

    // A data member.
    template <class Value>
    ClassBuilder& property(std::string name, Value Self::*member, PropertyOptions options = {})
    {
        using Traits = ValueTraits<Value>;
        foundation::PropertyInfo info = describe<Value>(name, options);
        info.get = [member](const foundation::Object& object) -> foundation::Id {
            const auto* self = dynamic_cast<const Self*>(&object);
            return self ? foundation::Id(Traits::box(self->*member)) : foundation::Id();
        };
        if (!options.readonly) {
            info.set = setterFunction<Value>(name, options, [member](Self& self, auto&& value) {
                self.*member = std::forward<decltype(value)>(value);
            });
        }
        add(std::move(info));
        return *this;
    }

    // A getter and a setter (`fontid()` / `setFontid(v)`).
    template <class Got, class Taken>
    ClassBuilder& property(std::string name, Got (Self::*getter)() const, void (Self::*setter)(Taken),
        PropertyOptions options = {})
    {
        using Value = std::remove_cvref_t<Got>;
        foundation::PropertyInfo info = describe<Value>(name, options);
        info.get = getterFunction<Value>(getter);
        info.set = setterFunction<Value>(name, options, [setter](Self& self, auto&& value) {
            (self.*setter)(std::forward<decltype(value)>(value));
        });
        add(std::move(info));
        return *this;
    }

    // A read-only property served by a getter.
    template <class Got>
    ClassBuilder& readonlyProperty(
        std::string name, Got (Self::*getter)() const, PropertyOptions options = {})
    {
        using Value = std::remove_cvref_t<Got>;
        options.readonly = true;
        foundation::PropertyInfo info = describe<Value>(name, options);
        info.get = getterFunction<Value>(getter);
        add(std::move(info));
        return *this;
    }

    // How the class makes images of itself (see foundation::ImageFactory).
    ClassBuilder& imageFactory(foundation::ImageFactory factory)
    {
        if (staged_)
            staged_->setImageFactory(std::move(factory));
        return *this;
    }

    const foundation::Class* build()
    {
        if (!existing_)
            existing_ = &foundation::Class::define(std::move(staged_));
        return existing_;
    }

private:
    static foundation::Class::Factory factory()
    {
        if constexpr (std::is_default_constructible_v<Self>)
            return [] { return std::static_pointer_cast<foundation::Object>(std::make_shared<Self>()); };
        else
            return {};
    }

    template <class Value>
    foundation::PropertyInfo describe(const std::string& name, const PropertyOptions& options) const
    {
        using Traits = ValueTraits<Value>;
        std::string className = options.className;
        if constexpr (std::is_same_v<Value,
                          std::shared_ptr<Self>> || std::is_same_v<Value, std::weak_ptr<Self>>)
            if (className.empty())
                className = name_; // asking Self for its class now would re-enter its registration
        foundation::PropertyInfo info;
        info.name = name;
        info.typeEncoding = Traits::encoding(className);
        Ownership ownership = Ownership::Strong;
        if (options.copy || info.typeEncoding == "@?")
            ownership = Ownership::Copy;
        if constexpr (isWeakPointer<Value>)
            ownership = Ownership::Weak;
        info.attributes = composeAttributes(info.typeEncoding, Traits::isObject, ownership, options, name);
        return info;
    }

    // A copy property stores an immutable copy of what it is given, so a mutable string or array
    // changed later by its owner does not change the property.
    template <class Value> static bool copiesOnSet(const PropertyOptions& options)
    {
        return options.copy && ValueTraits<Value>::isObject && !isBlockType<Value>;
    }

    template <class Value, class Getter>
    static std::function<foundation::Id(const foundation::Object&)> getterFunction(Getter getter)
    {
        return [getter](const foundation::Object& object) -> foundation::Id {
            const auto* self = dynamic_cast<const Self*>(&object);
            return self ? foundation::Id(ValueTraits<Value>::box((self->*getter)())) : foundation::Id();
        };
    }

    // Unboxes what it is given (a copy of it for copy properties) and hands it to `store`; a value
    // that does not unbox leaves the property as it was.
    template <class Value, class Store>
    static std::function<void(foundation::Object&, const foundation::Id&)> setterFunction(
        std::string key, const PropertyOptions& options, Store store)
    {
        return [store, key = std::move(key), copies = copiesOnSet<Value>(options)](
                   foundation::Object& object, const foundation::Id& value) {
            auto* self = dynamic_cast<Self*>(&object);
            if (!self)
                return;
            if (auto unboxed = ValueTraits<Value>::unbox(copies ? value.copy() : value, key))
                store(*self, std::move(*unboxed));
        };
    }

    void add(foundation::PropertyInfo info)
    {
        if (staged_)
            staged_->addProperty(std::move(info));
    }

    std::string name_;
    const foundation::Class* existing_ = nullptr;
    std::unique_ptr<foundation::Class> staged_;
};

} // namespace runtime
