#pragma once

#include <string>

namespace foundation {
class UserDefaults;
}

class KXThemeManager;

// The theme button of the font list. Its state lives in the user default "the": "1" while the
// dark set shows, "0" while the light set shows. No stored choice is applied at start: the list
// always opens in the dark set.
class KXThemeToggle {
public:
    static constexpr const char* kDefaultsKey = "the";
    static constexpr const char* kLightSetImage = "nighttime-normal";
    static constexpr const char* kDarkSetImage = "daytime-normal";

    // The list builds itself in the dark set and records that.
    static void startInDarkSet(KXThemeManager& theme, foundation::UserDefaults& defaults);

    // One press: "1" switches to the light set, anything else (or nothing) to the dark set. The
    // new state is written and synchronised at once. Returns the image the button shows now.
    static std::string press(KXThemeManager& theme, foundation::UserDefaults& defaults);
};
