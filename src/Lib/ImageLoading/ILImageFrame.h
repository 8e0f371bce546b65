#pragma once

#include "Platform/Foundation/Object.h"

#include <vector>

namespace graphics {
class Image;
}

// One frame of an animation: its image and how long it shows, in seconds.
struct ILImageFrame {
    foundation::Ref<graphics::Image> image;
    double duration = 0;

    static ILImageFrame frameWithImage(foundation::Ref<graphics::Image> image, double duration)
    {
        return { std::move(image), duration };
    }
};

using ILImageFrames = std::vector<ILImageFrame>;
