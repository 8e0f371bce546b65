#include "Class/FontList/Core/KXLanguageSwitch.h"

KXLanguageSwitch::Step KXLanguageSwitch::click(Language language)
{
    Step step;
    step.switches = selected_ != language;
    step.closesFilter = step.switches || language == Language::Foreign;
    if (step.switches)
        selected_ = language;
    return step;
}
