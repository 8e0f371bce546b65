#pragma once

#include "Platform/Foundation/String.h"

// Registration of font files for this session, which nothing in the client calls: a path (or a
// "file://" URL text) is added to or taken from this process's fonts through fontconfig; failures
// are logged and otherwise dropped.
class KXThirdFontsManager {
public:
    void registerFontBuyPath(const foundation::Ref<foundation::String>& path);
    void unRegisterFontBuyPath(const foundation::Ref<foundation::String>& path);
    // Nothing to do: fonts of other programs are not tracked.
    void removeAllThirdPartFont() { }
    void registerAllThirdPartFont() { }
};
