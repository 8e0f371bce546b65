#pragma once

#include "Platform/Foundation/Object.h"

#include <memory>

class QImage;

namespace foundation {
class Data;
}

// A decoded bitmap; its size in points is its pixel size (no screen scale is applied).
class NKImage final : public foundation::Object {
public:
    static const foundation::Class* classObject();
    const foundation::Class* isa() const override;

    // nil when the bytes are not an image Qt can decode.
    static foundation::Ref<NKImage> imageWithData(const foundation::Ref<foundation::Data>& data);

    explicit NKImage(std::unique_ptr<QImage> image);
    ~NKImage() override;
    NKImage(const NKImage&) = delete;
    NKImage& operator=(const NKImage&) = delete;

    int width() const;
    int height() const;
    const QImage& image() const { return *image_; }

private:
    std::unique_ptr<QImage> image_;
};
