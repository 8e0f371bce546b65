#pragma once

#include "Lib/ImageLoading/ILImageIOAnimatedCoder.h"

// The animated GIF coder: GIF data of any frame count, loop count 1 when the data names none.
// Thread-safety as ILImageIOAnimatedCoder.
class ILImageGIFCoder final : public ILImageIOAnimatedCoderOf<ILImageGIFCoder> {
public:
    static const foundation::Class* classObject();
    const foundation::Class* isa() const override;

    static const ILAnimatedCoderTraits& coderTraits();
};
