#pragma once

#include "Lib/ImageLoading/ILImageIOAnimatedCoder.h"

// The animated PNG coder. It takes every PNG, still ones included (they are asked of it before
// the static coder), and writes APNG when given an animated image; loop count 0 when none is named.
// Thread-safety as ILImageIOAnimatedCoder.
class ILImageAPNGCoder final : public ILImageIOAnimatedCoderOf<ILImageAPNGCoder> {
public:
    static const foundation::Class* classObject();
    const foundation::Class* isa() const override;

    static const ILAnimatedCoderTraits& coderTraits();
};
