#include "Class/ServiceCore/Fonts/KXThirdFontsManager.h"

#include "Class/ServiceCore/Fonts/KXFontsCore.h"

// The engine's registration, which needs nothing of the engine's environment.
void KXThirdFontsManager::registerFontBuyPath(const foundation::Ref<foundation::String>& path)
{
    KXFontsCore::create(KXFontsCore::Environment{})->registerFontWithPath(path);
}

void KXThirdFontsManager::unRegisterFontBuyPath(const foundation::Ref<foundation::String>& path)
{
    KXFontsCore::create(KXFontsCore::Environment{})->UnRegisterFontWithPath(path);
}
