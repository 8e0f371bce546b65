#include "Lib/Networking/NKImage.h"

#include "Platform/Foundation/Data.h"

#include <QImage>

#include <limits>

const foundation::Class* NKImage::classObject()
{
    static const foundation::Class* cls = &foundation::Class::define("NKImage", Object::classObject());
    return cls;
}

const foundation::Class* NKImage::isa() const
{
    return classObject();
}

foundation::Ref<NKImage> NKImage::imageWithData(const foundation::Ref<foundation::Data>& data)
{
    if (!data || data->length() == 0 || data->length() > static_cast<std::size_t>(std::numeric_limits<int>::max()))
        return nullptr;
    auto image = std::make_unique<QImage>();
    if (!image->loadFromData(data->bytes(), static_cast<int>(data->length())) || image->isNull())
        return nullptr;
    return std::make_shared<NKImage>(std::move(image));
}

NKImage::NKImage(std::unique_ptr<QImage> image)
    : image_(std::move(image))
{
}

NKImage::~NKImage() = default;

int NKImage::width() const
{
    return image_->width();
}

int NKImage::height() const
{
    return image_->height();
}
