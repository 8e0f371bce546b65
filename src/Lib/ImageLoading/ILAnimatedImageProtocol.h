#pragma once

#include "Lib/ImageLoading/ILImageCoder.h"

// An image class that plays its frames from a frame source instead of holding them all. A class
// conforms by deriving from graphics::Image and from this interface, and by registering a
// foundation::ImageFactory (from data, scale and options; from an animated coder and a scale) with
// its class, so that a load's context can name it under "animatedImageClass". The frame methods may
// be called from any thread.
class ILAnimatedImageProtocol : public ILAnimatedImageProvider {
public:
    // Optional: decode every frame now and serve them from memory; the default does nothing.
    virtual void preloadAllFrames() { }
    // Optional: drop the preloaded frames; the default does nothing.
    virtual void unloadAllFrames() { }
    virtual bool isAllFramesLoaded() const { return false; }

    // Whether `cls` conforms: an image class with both image factories.
    static bool classConforms(const foundation::Class* cls);

protected:
    ILAnimatedImageProtocol() = default;
};
