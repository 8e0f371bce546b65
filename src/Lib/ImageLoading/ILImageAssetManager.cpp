#include "Lib/ImageLoading/ILImageAssetManager.h"

#include "Lib/ImageLoading/ILMainScreen.h"
#include "Platform/Foundation/Format.h"
#include "Platform/Foundation/String.h"
#include "Platform/Graphics/Image.h"

#include <algorithm>
#include <system_error>

namespace {

std::array<int, 3> scalesFor(double screenScale)
{
    if (screenScale <= 1)
        return { 1, 2, 3 };
    if (screenScale <= 2)
        return { 2, 3, 1 };
    return { 3, 2, 1 };
}

// The file `name`.`extension` in the folder, when it is a regular file.
std::optional<std::filesystem::path> resource(
    const std::filesystem::path& bundle, const std::string& name, const std::string& extension)
{
    std::filesystem::path path = bundle / (name + "." + extension);
    std::error_code error;
    if (std::filesystem::is_regular_file(path, error))
        return path;
    return std::nullopt;
}

std::string suffixed(const std::string& name, const foundation::Id& scale)
{
    return name + foundation::format("@%@x", scale);
}

} // namespace

ILImageAssetManager& ILImageAssetManager::sharedAssetManager()
{
    static ILImageAssetManager manager;
    return manager;
}

ILImageAssetManager::ILImageAssetManager()
    : preferredScales_(scalesFor(ILMainScreenScale()))
{
}

const std::array<int, 3>& ILImageAssetManager::preferredScales() const
{
    return preferredScales_;
}

foundation::Ref<graphics::Image> ILImageAssetManager::imageForName(const std::string& name) const
{
    std::lock_guard lock(mutex_);
    const auto found = imageTable_.find(name);
    return found == imageTable_.end() ? nullptr : found->second.lock();
}

void ILImageAssetManager::storeImage(const foundation::Ref<graphics::Image>& image, const std::string& name)
{
    std::lock_guard lock(mutex_);
    std::erase_if(imageTable_, [](const auto& entry) { return entry.second.expired(); });
    if (image)
        imageTable_[name] = image;
    else
        imageTable_.erase(name);
}

void ILImageAssetManager::didReceiveMemoryWarning()
{
    std::lock_guard lock(mutex_);
    imageTable_.clear();
}

std::optional<std::filesystem::path> ILImageAssetManager::getPathForName(
    const std::string& name, const std::filesystem::path& bundle, double& scale) const
{
    if (name.empty() || name.ends_with('/'))
        return std::nullopt;
    const auto text = foundation::String::create(name);
    std::string extension = text->pathExtension()->utf8();
    if (extension.empty())
        extension = "png";
    const std::string stem = text->stringByDeletingPathExtension()->utf8();
    const double provided = scale;
    for (int preferred : preferredScales_) {
        if (stem.ends_with(suffixed("", foundation::Id(preferred))))
            if (auto path = resource(bundle, stem, extension)) {
                scale = preferred;
                return path;
            }
    }
    if (provided != 0)
        if (auto path = resource(bundle, suffixed(stem, foundation::Id(provided)), extension))
            return path;
    for (int preferred : preferredScales_) {
        if (preferred == provided)
            continue;
        if (auto path = resource(bundle, suffixed(stem, foundation::Id(preferred)), extension)) {
            scale = preferred;
            return path;
        }
    }
    return resource(bundle, stem, extension);
}
