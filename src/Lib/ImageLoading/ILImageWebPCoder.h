#pragma once

#include "Lib/ImageLoading/ILImageIOAnimatedCoder.h"

// The WebP coder: still and animated WebP, partial data, encoding (lossless at quality 1). It is
// not in the coders manager's default list, which leaves WebP to nobody; a caller that wants WebP
// adds it (addCoder).
// Thread-safety as ILImageIOAnimatedCoder.
class ILImageWebPCoder final : public ILImageIOAnimatedCoderOf<ILImageWebPCoder> {
public:
    static const foundation::Class* classObject();
    const foundation::Class* isa() const override;

    static const ILAnimatedCoderTraits& coderTraits();
};
