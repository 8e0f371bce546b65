#pragma once

#include "Platform/Foundation/Object.h"

#include <array>
#include <filesystem>
#include <map>
#include <mutex>
#include <optional>
#include <string>

namespace graphics {
class Image;
}

// The shared lookup behind ILAnimatedImage::imageNamed: finds the file of a name in a resource
// folder whose scale suffix best fits the main screen, and remembers the images made from names
// while somebody else holds them (the table holds them weakly). Thread-safe: the table is guarded
// by a mutex; file lookups touch no shared state.
class ILImageAssetManager {
public:
    static ILImageAssetManager& sharedAssetManager();

    foundation::Ref<graphics::Image> imageForName(const std::string& name) const;
    void storeImage(const foundation::Ref<graphics::Image>& image, const std::string& name);

    // The file for `name` in `bundle`: the name as it is when it already carries the suffix of a
    // preferred scale, else the name with the suffix of the scale asked for, else of each other
    // preferred scale, else the bare name. A name without extension means ".png". `scale` (0: none
    // asked for) becomes the scale of the suffix found, except for the suffix asked for and the bare
    // name. nullopt for an empty name, a name ending with "/", or no file.
    std::optional<std::filesystem::path> getPathForName(
        const std::string& name, const std::filesystem::path& bundle, double& scale) const;

    // The scales to try, best first, from the main screen's scale f: 1, 2, 3 when f ≤ 1; 2, 3, 1 up
    // to 2; else 3, 2, 1. Worked out once.
    const std::array<int, 3>& preferredScales() const;

    // Empties the table (nothing sends memory warnings on this platform).
    void didReceiveMemoryWarning();

    ILImageAssetManager();

private:
    mutable std::mutex mutex_;
    std::map<std::string, std::weak_ptr<graphics::Image>, std::less<>> imageTable_;
    std::array<int, 3> preferredScales_;
};
