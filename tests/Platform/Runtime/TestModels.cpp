#include "TestModels.h"

namespace runtimetests {

const Class* KXTestFont::classObject()
{
    static const Class* cls = runtime::ClassBuilder<KXTestFont>("KXTestFont")
                                  .property("fontid", &KXTestFont::fontid)
                                  .property("downloads", &KXTestFont::downloads)
                                  .property("isD", &KXTestFont::isD)
                                  .property("score", &KXTestFont::score)
                                  .property("size", &KXTestFont::size)
                                  .property("name", &KXTestFont::name, { .copy = true })
                                  .property("tags", &KXTestFont::tags)
                                  .property("parent", &KXTestFont::parent)
                                  .property("extra", &KXTestFont::extra)
                                  .property("progressBlock", &KXTestFont::progressBlock)
                                  .property("title", &KXTestFont::title, &KXTestFont::setTitle)
                                  .property("enLanguage", &KXTestFont::isEnLanguage,
                                      &KXTestFont::setEnLanguage, { .getter = "isEnLanguage" })
                                  .readonlyProperty("version", &KXTestFont::version)
                                  .build();
    return cls;
}

const Class* KXTestFontChild::classObject()
{
    static const Class* cls
        = runtime::ClassBuilder<KXTestFontChild>("KXTestFontChild", KXTestFont::classObject())
              .property("childOnly", &KXTestFontChild::childOnly)
              .build();
    return cls;
}

} // namespace runtimetests
