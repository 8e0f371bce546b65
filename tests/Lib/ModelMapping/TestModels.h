#pragma once

#include "Platform/Foundation/Foundation.h"
#include "Platform/Runtime/ClassBuilder.h"

#include <functional>

// Models shaped like the client's records: every kind of property the font record and the filter
// record carry, a nested model, an array of models, a URL and a block.
namespace testmodels {

using foundation::Ref;

class Author : public foundation::Object {
public:
    static const foundation::Class* classObject()
    {
        static const foundation::Class* cls = runtime::ClassBuilder<Author>("MMTestAuthor")
                                                  .property("name", &Author::name, {.copy = true})
                                                  .property("age", &Author::age)
                                                  .build();
        return cls;
    }
    const foundation::Class* isa() const override { return classObject(); }

    Ref<foundation::String> name;
    int age = 0;
};

class Font : public foundation::Object {
public:
    static const foundation::Class* classObject()
    {
        static const foundation::Class* cls =
            runtime::ClassBuilder<Font>("MMTestFont")
                .property("fontid", &Font::fontid)
                .property("size", &Font::size)
                .property("downloads", &Font::downloads)
                .property("isVip", &Font::isVip)
                .property("score", &Font::score)
                .property("fontname", &Font::fontname, {.copy = true})
                .property("tags", &Font::tags)
                .property("author", &Font::author)
                .property("authors", &Font::authors)
                .property("home", &Font::home)
                .property("extra", &Font::extra)
                .property("progressBlock", &Font::progressBlock, {.copy = true})
                .build();
        return cls;
    }
    const foundation::Class* isa() const override { return classObject(); }

    int fontid = 0;
    long long size = 0;
    unsigned long long downloads = 0;
    bool isVip = false;
    double score = 0;
    Ref<foundation::String> fontname;
    Ref<foundation::Array> tags;
    Ref<Author> author;
    Ref<foundation::Array> authors;
    Ref<foundation::URL> home;
    foundation::Id extra;
    std::function<void(double)> progressBlock;
};

// A subclass that adds a property of its own.
class LocalFont : public Font {
public:
    static const foundation::Class* classObject()
    {
        static const foundation::Class* cls = runtime::ClassBuilder<LocalFont>("MMTestLocalFont", Font::classObject())
                                                  .property("path", &LocalFont::path)
                                                  .build();
        return cls;
    }
    const foundation::Class* isa() const override { return classObject(); }

    Ref<foundation::String> path;
};

} // namespace testmodels
