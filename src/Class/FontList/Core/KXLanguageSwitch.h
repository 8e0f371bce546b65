#pragma once

#include <optional>

// The font list's two catalogue languages, "中文" and "外文". The list draws "中文" selected at
// creation yet no language counts as chosen, so the first click on either button switches.
// "中文" closes an open drop-down filter only when it switches; "外文" closes it on every click.
// Main thread only (one per list).
class KXLanguageSwitch {
public:
    enum class Language { Chinese, Foreign };
    struct Step {
        bool closesFilter = false;
        bool switches = false;
    };

    std::optional<Language> selected() const { return selected_; }
    // A click on a language's button; a switch makes it the selected one.
    Step click(Language language);

private:
    std::optional<Language> selected_;
};
