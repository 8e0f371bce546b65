#include "Class/FontList/FontListRegistration.h"

#include "Class/FontList/KXWebPreviewSource.h"

void registerFontListOverlays()
{
    KXPreviewImageSource::install(std::make_shared<KXWebPreviewSource>());
}
