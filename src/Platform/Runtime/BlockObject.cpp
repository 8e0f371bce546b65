#include "Platform/Runtime/BlockObject.h"

namespace runtime {

const foundation::Class* blockClass()
{
    static const foundation::Class* cls
        = &foundation::Class::define("NSBlock", foundation::Object::classObject());
    return cls;
}

} // namespace runtime
