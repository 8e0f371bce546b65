#include "Lib/ImageLoading/ILImageTransformer.h"

const foundation::Class* ILImageTransformer::classObject()
{
    static const foundation::Class* cls
        = &foundation::Class::define("ILImageTransformer", foundation::Object::classObject());
    return cls;
}

const foundation::Class* ILImageTransformer::isa() const
{
    return classObject();
}
