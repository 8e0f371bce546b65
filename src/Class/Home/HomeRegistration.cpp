#include "Class/Home/HomeRegistration.h"

#include "Class/Account/KXPersonalCenterPages.h"
#include "Class/AppShell/KXQuitView.h"

void registerHomePages()
{
    KXPersonalCenterPages::registerCreator(KXPersonalCenterPages::Page::Quit, [](const foundation::Id&) { return new KXQuitView(); });
}
