#pragma once

#include "Platform/Foundation/Object.h"

namespace foundation {
class String;
}

// The scale a URL or cache key names: 2 or 3 when it carries the marker "@2x." or "@3x." anywhere,
// or, for http and https URLs only, the percent-encoded "%402x." or "%403x."; 1 for anything else,
// nil and keys shorter than eight characters included. It does not depend on the screen, so it
// holds with or without a GUI. Thread-safe.
double ILScaleFactorFromKey(const foundation::Ref<foundation::String>& key);

namespace graphics {
class Image;
}

// The image shown at `factor`: nil for nil; the image itself when the factor is at most 1 or already
// its scale; else a new image of the same pixels at that scale, keeping its format and incremental
// marks. An animated image gets a new representation over the same data, so the image it came from
// keeps its own scale. Safe on any thread.
foundation::Ref<graphics::Image> ILImageScaledToFactor(
    double factor, const foundation::Ref<graphics::Image>& image);
// ILImageScaledToFactor with the scale the key names.
foundation::Ref<graphics::Image> ILImageScaledForKey(
    const foundation::Ref<foundation::String>& key, const foundation::Ref<graphics::Image>& image);
