#include "Platform/Foundation/Null.h"

namespace foundation {

const Class* Null::classObject()
{
    static const Class* cls = &Class::define("NSNull", Object::classObject(), [] { return Ref<Object>(Null::null()); });
    return cls;
}

const Class* Null::isa() const
{
    return classObject();
}

const Ref<Null>& Null::null()
{
    static const Ref<Null> instance = std::make_shared<Null>();
    return instance;
}

} // namespace foundation
