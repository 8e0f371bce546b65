#pragma once

#include "Platform/Foundation/Foundation.h"
#include "Platform/Runtime/ClassBuilder.h"

#include <functional>
#include <string>

namespace runtimetests {

using foundation::Array;
using foundation::Class;
using foundation::Id;
using foundation::Object;
using foundation::Ref;
using foundation::String;

// A font record shaped like the service's, with every kind of member the models use.
class KXTestFont : public Object {
public:
    static const Class* classObject();
    const Class* isa() const override { return classObject(); }

    long long fontid = 0;
    int downloads = 0;
    bool isD = false;
    double score = 0;
    unsigned long long size = 0;
    Ref<String> name;
    Ref<Array> tags;
    Ref<KXTestFont> parent;
    Id extra;
    std::function<void(double)> progressBlock;

    const Ref<String>& title() const { return title_; }
    void setTitle(const Ref<String>& title) { title_ = title; }
    bool isEnLanguage() const { return enLanguage_; }
    void setEnLanguage(bool value) { enLanguage_ = value; }
    int version() const { return 7; }

private:
    Ref<String> title_;
    bool enLanguage_ = false;
};

class KXTestFontChild final : public KXTestFont {
public:
    static const Class* classObject();
    const Class* isa() const override { return classObject(); }
    int childOnly = 0;
};

} // namespace runtimetests
