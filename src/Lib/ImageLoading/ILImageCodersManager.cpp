#include "Lib/ImageLoading/ILImageCodersManager.h"

#include "Lib/ImageLoading/ILImageAPNGCoder.h"
#include "Lib/ImageLoading/ILImageGIFCoder.h"
#include "Lib/ImageLoading/ILImageIOCoder.h"

#include <algorithm>

using foundation::Ref;

const foundation::Class* ILImageCodersManager::classObject()
{
    static const foundation::Class* cls
        = &foundation::Class::define("ILImageCodersManager", ILImageCoder::classObject());
    return cls;
}

const foundation::Class* ILImageCodersManager::isa() const
{
    return classObject();
}

const std::shared_ptr<ILImageCodersManager>& ILImageCodersManager::sharedManager()
{
    static const auto manager = std::make_shared<ILImageCodersManager>();
    return manager;
}

ILImageCodersManager::ILImageCodersManager()
    : coders_ { ILImageIOCoder::sharedCoder(), ILImageGIFCoder::sharedCoder(),
        ILImageAPNGCoder::sharedCoder() }
{
}

ILImageCodersManager::Coders ILImageCodersManager::coders() const
{
    std::lock_guard lock(mutex_);
    return coders_;
}

void ILImageCodersManager::setCoders(Coders coders)
{
    std::erase(coders, nullptr);
    std::lock_guard lock(mutex_);
    coders_ = std::move(coders);
}

void ILImageCodersManager::addCoder(const Ref<ILImageCoder>& coder)
{
    if (!coder)
        return;
    std::lock_guard lock(mutex_);
    coders_.push_back(coder);
}

void ILImageCodersManager::removeCoder(const Ref<ILImageCoder>& coder)
{
    std::lock_guard lock(mutex_);
    std::erase(coders_, coder);
}

bool ILImageCodersManager::canDecodeFromData(const Ref<foundation::Data>& data) const
{
    const Coders list = coders();
    return std::any_of(
        list.rbegin(), list.rend(), [&](const auto& coder) { return coder->canDecodeFromData(data); });
}

Ref<graphics::Image> ILImageCodersManager::decodedImageWithData(
    const Ref<foundation::Data>& data, const ILImageCoderOptions& options) const
{
    if (!data)
        return nullptr;
    const Coders list = coders();
    for (auto coder = list.rbegin(); coder != list.rend(); ++coder)
        if ((*coder)->canDecodeFromData(data))
            return (*coder)->decodedImageWithData(data, options);
    return nullptr;
}

bool ILImageCodersManager::canEncodeToFormat(ILImageFormatCode format) const
{
    const Coders list = coders();
    return std::any_of(
        list.rbegin(), list.rend(), [&](const auto& coder) { return coder->canEncodeToFormat(format); });
}

Ref<foundation::Data> ILImageCodersManager::encodedDataWithImage(
    const Ref<graphics::Image>& image, ILImageFormatCode format, const ILImageCoderOptions& options) const
{
    if (!image)
        return nullptr;
    const Coders list = coders();
    for (auto coder = list.rbegin(); coder != list.rend(); ++coder)
        if ((*coder)->canEncodeToFormat(format))
            return (*coder)->encodedDataWithImage(image, format, options);
    return nullptr;
}
