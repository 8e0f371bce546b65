#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace foundation {

class Object;
class Id;
class Data;
class Dictionary;
template <class T> using Ref = std::shared_ptr<T>;

// One registered property of a class: what the runtime answers when asked for a class's property
// list (name, attribute text with its type encoding), with a getter and setter that box scalars.
struct PropertyInfo {
    std::string name;
    std::string attributes; // the platform's form: "Tq,N,V_fontid", "T@\"NSString\",&,N,V_name"
    std::string typeEncoding; // the part after "T": "q", "c", "d", "@\"NSString\"", "@"
    std::function<Id(const Object&)> get;
    std::function<void(Object&, const Id&)> set; // empty for a read-only property
    bool readonly() const { return !set; }
};

// How an image class makes an instance of itself from encoded data (with a scale and decode
// options) or from an animated frame source; a class that a load may name as the class of its
// animated images registers one. Either function answers nil when it cannot make an image.
struct ImageFactory {
    std::function<Ref<Object>(const Ref<Data>& data, double scale, const Ref<Dictionary>& options)> withData;
    std::function<Ref<Object>(const Ref<Object>& animatedCoder, double scale)> withAnimatedCoder;
};

// A class of the object model: its name, its superclass, a factory for new instances and its own
// registered properties in declaration order. Classes are registered once and live forever, so
// `const Class*` is a stable identity; the registry answers by name.
class Class {
public:
    using Factory = std::function<Ref<Object>()>;

    // Registers a class. Registering a name twice returns the first registration.
    static Class& define(std::string name, const Class* superclass, Factory factory = {});
    // Registers a class built aside with its properties, so it is never seen half-made; when the
    // name is taken already, the first registration is returned and `cls` is dropped.
    static const Class& define(std::unique_ptr<Class> cls);
    static const Class* named(std::string_view name);

    const std::string& name() const { return name_; }
    const Class* superclass() const { return superclass_; }
    bool isSubclassOfClass(const Class* other) const; // true for the class itself too
    Ref<Object> createInstance() const; // nil without a factory

    // Own properties only, in declaration order; use propertyNamed() for the inherited ones.
    const std::vector<PropertyInfo>& properties() const { return properties_; }
    const PropertyInfo* propertyNamed(std::string_view name) const; // walks the superclasses
    Class& addProperty(PropertyInfo property);

    // The class's own image factory; nullptr when it registered none. Not inherited: each image
    // class makes instances of itself. Set while the class is built aside, before define()
    // publishes it, so readers on other threads never see it change.
    const ImageFactory* imageFactory() const { return imageFactory_ ? &*imageFactory_ : nullptr; }
    Class& setImageFactory(ImageFactory factory);

    // Bumped whenever any class gains a property, so per-class caches can tell they are stale.
    static unsigned long long generation();

    Class(std::string name, const Class* superclass, Factory factory);
    Class(const Class&) = delete;
    Class& operator=(const Class&) = delete;

private:
    std::string name_;
    const Class* superclass_;
    Factory factory_;
    std::vector<PropertyInfo> properties_;
    std::optional<ImageFactory> imageFactory_;
};

// Registers the object model's own classes (NSObject, NSString, NSMutableArray, ...).
void registerFoundationClasses();

} // namespace foundation
