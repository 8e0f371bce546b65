#pragma once

#include "Lib/ImageLoading/ILWebDefine.h"

#include <string_view>

// The shell's animated pictures ("begainLoading", "newUserGuide"), rendered at build time from
// their SVG animations into GIFs at scale 2 and compiled in: an image whose representation holds
// every frame, for an ImageView to play. Nil for an unknown name.
ILImageRef kx_animatedImageNamed(std::string_view name);
