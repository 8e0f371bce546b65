#include "Lib/ImageLoading/ILImageCoder.h"

#include "Platform/Foundation/Dictionary.h"

#include <algorithm>

double ILImageCoderScaleFromOptions(const ILImageCoderOptions& options, double whenAbsent)
{
    const foundation::Id value
        = options ? options->objectForKey(ILImageCoderDecodeScaleFactor) : foundation::Id();
    return value ? std::max(1.0, value.doubleValue()) : whenAbsent;
}

double ILImageCoderQualityFromOptions(const ILImageCoderOptions& options)
{
    const foundation::Id value
        = options ? options->objectForKey(ILImageCoderEncodeCompressionQuality) : foundation::Id();
    return value ? value.doubleValue() : 1.0;
}

const foundation::Class* ILImageCoder::classObject()
{
    static const foundation::Class* cls
        = &foundation::Class::define("ILImageCoder", foundation::Object::classObject());
    return cls;
}

const foundation::Class* ILImageCoder::isa() const
{
    return classObject();
}
