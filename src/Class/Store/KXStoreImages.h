#pragma once

#include "Class/UIKit/KXImage.h"

// The store's images, loaded once and shared by every row that draws them (copies of a KXImage
// share their pixels). Main thread only.
namespace storeimages {

const KXImage& checkNormal(); // "fontsaleCheckNormal": an empty check box
const KXImage& checkSelected(); // "fontsaleCheckSelected": a ticked check box
const KXImage& offerBoxNormal(); // "filterbtnnormalbg": an offer box, unticked
const KXImage& offerBoxSelected(); // "fontsaleauth2seleted": an offer box, ticked
const KXImage& fontBoxNormal(); // "fontsaleauth1normal": an order row's font box, unticked
const KXImage& fontBoxSelected(); // "fontsaleauth1seleted": an order row's font box, ticked
const KXImage& addClass(); // "fontauthaddclass"
const KXImage& deleteClass(); // "fontauthdeleclass"
const KXImage& alertNormal(); // "fontsaleAlertNormal": the pop-up's detail arrow
const KXImage& alertHighlight(); // "fontsaleAlerthighlight": the arrow while hovered
const KXImage& categoryIcon(); // "fontsSaleClass1": a category's icon until its own arrives

} // namespace storeimages
