#include "Lib/ModelMapping/MMFoundation.h"
#include "Lib/ModelMapping/MMPropertyReflection.h"
#include "TestModels.h"

#include <gtest/gtest.h>

using namespace mm;
using foundation::Class;
using foundation::Id;
using testmodels::Font;
using testmodels::LocalFont;

namespace {

std::string keyPathsOf(const Class* cls, const std::string& property)
{
    std::string out;
    for (const auto& p : *properties(cls)) {
        if (p->name() != property)
            continue;
        for (const auto& path : *p->propertyKeysForClass(cls)) {
            for (const auto& key : path)
                out += (key.type == MMPropertyKeyType::Array ? "[" + key.name + "]" : "." + key.name);
            out += "|";
        }
    }
    return out;
}

// A model class of its own per test, so settings made by one test never reach another.
template <int N>
class Scratch : public Font {
public:
    static const Class* classObject()
    {
        static const Class* cls = runtime::ClassBuilder<Scratch>("MMScratch" + std::to_string(N), Font::classObject())
                                      .property("own", &Scratch::own)
                                      .build();
        return cls;
    }
    const Class* isa() const override { return classObject(); }
    int own = 0;
};

} // namespace

TEST(MMPropertyType, FlagsOfEachTypeCode)
{
    struct Case {
        const char* code;
        bool number, boolean, id, kvcDisabled;
    };
    const Case cases[] = {
        {"i", true, false, false, false}, {"Q", true, false, false, false}, {"I", true, false, false, false},
        {"B", true, true, false, false},  {"C", true, true, false, false},  {"c", true, true, false, false},
        {"d", true, false, false, false}, {"@?", false, false, false, false}, {"#", false, false, false, false},
        {"@", false, false, true, false}, {"", false, false, false, true},  {":", false, false, false, true},
    };
    for (const auto& c : cases) {
        auto type = MMPropertyType::cachedTypeWithCode(c.code);
        EXPECT_EQ(type->isNumberType(), c.number) << c.code;
        EXPECT_EQ(type->isBoolType(), c.boolean) << c.code;
        EXPECT_EQ(type->isIdType(), c.id) << c.code;
        EXPECT_EQ(type->isKVCDisabled(), c.kvcDisabled) << c.code;
    }
    foundation::registerFoundationClasses();
    auto decimal = MMPropertyType::cachedTypeWithCode("@\"NSDecimalNumber\"");
    EXPECT_EQ(decimal->code(), "NSDecimalNumber");
    EXPECT_TRUE(decimal->isNumberType());
    EXPECT_TRUE(decimal->isFromFoundation());
    EXPECT_EQ(decimal->typeClass(), foundation::DecimalNumber::classObject());
    auto unknown = MMPropertyType::cachedTypeWithCode("@\"NoSuchModel<Proto>\"");
    EXPECT_EQ(unknown->typeClass(), nullptr);
    EXPECT_EQ(MMPropertyType::cachedTypeWithCode("i"), MMPropertyType::cachedTypeWithCode("i")) << "one per code";
}

TEST(MMFoundation, TheNineClassesAndTheirSubclasses)
{
    foundation::registerFoundationClasses();
    EXPECT_TRUE(MMFoundation::isClassFromFoundation(foundation::MutableString::classObject()));
    EXPECT_TRUE(MMFoundation::isClassFromFoundation(foundation::Number::classObject()));
    EXPECT_TRUE(MMFoundation::isClassFromFoundation(foundation::Object::classObject()));
    EXPECT_FALSE(MMFoundation::isClassFromFoundation(foundation::Set::classObject()));
    EXPECT_FALSE(MMFoundation::isClassFromFoundation(foundation::Null::classObject()));
    EXPECT_FALSE(MMFoundation::isClassFromFoundation(Font::classObject()));
    EXPECT_FALSE(MMFoundation::isClassFromFoundation(nullptr));
}

TEST(MMReflection, ListingWalksFromTheClassUpAndStopsAtThePlatform)
{
    std::vector<std::string> visited;
    mm_enumerateClasses(LocalFont::classObject(), [&](const Class* c, bool&) { visited.push_back(c->name()); });
    EXPECT_EQ(visited, (std::vector<std::string>{"MMTestLocalFont", "MMTestFont"}));
    visited.clear();
    mm_enumerateClasses(foundation::String::classObject(), [&](const Class* c, bool&) { visited.push_back(c->name()); });
    EXPECT_EQ(visited, (std::vector<std::string>{"NSString"})) << "the receiver is always visited";

    auto list = properties(LocalFont::classObject());
    ASSERT_EQ(list->size(), 13u);
    EXPECT_EQ(list->front()->name(), "path") << "own properties first";
    EXPECT_EQ((*list)[1]->name(), "fontid");
    EXPECT_EQ(keyPathsOf(LocalFont::classObject(), "fontname"), ".fontname|") << "no hooks: the key is the name";
}

TEST(MMReflection, ReplacedKeysAndTheirAlternatives)
{
    using Model = Scratch<1>;
    const Class* cls = Model::classObject();
    mm_setupReplacedKeyFromPropertyName(cls, [] {
        return foundation::Dictionary::create({
            {Id("fontname"), Id("info.name")},
            {Id("fontid"), Id(foundation::Array::create({Id("[0]"), Id("data.id")}))},
            {Id("size"), Id("[0]")},
            {Id("score"), Id("")},
            {Id("tags"), Id("tags")},
        });
    });
    EXPECT_EQ(keyPathsOf(cls, "fontname"), ".info.name|");
    EXPECT_EQ(keyPathsOf(cls, "fontid"), ".data.id|") << "an alternative that parses to nothing is dropped";
    EXPECT_EQ(keyPathsOf(cls, "size"), "") << "a key of [0] feeds nothing";
    EXPECT_EQ(keyPathsOf(cls, "score"), "");
    EXPECT_EQ(keyPathsOf(cls, "tags"), ".tags|");

    // A replacement equal to the name counts as none, so a superclass's table may still supply one.
    mm_setupReplacedKeyFromPropertyName(Font::classObject(), [] {
        return foundation::Dictionary::create({{Id("tags"), Id("meta.tags[1]")}});
    });
    EXPECT_EQ(keyPathsOf(cls, "tags"), ".meta.tags[1]|");
    mm_setupReplacedKeyFromPropertyName(Font::classObject(), nullptr);
    mm_setupReplacedKeyFromPropertyName(cls, nullptr);
    EXPECT_EQ(keyPathsOf(cls, "fontname"), ".fontname|") << "clearing the setting re-lists the keys";
}

TEST(MMReflection, HooksComeBeforeSettingsAndFunctionsBeforeTables)
{
    using Model = Scratch<2>;
    const Class* cls = Model::classObject();
    mm_setupReplacedKeyFromPropertyName121(cls, [](const std::string& name) {
        return name == "own" ? Id("OWN") : Id();
    });
    mm_setupReplacedKeyFromPropertyName(cls, [] {
        return foundation::Dictionary::create({{Id("own"), Id("table")}, {Id("size"), Id("bytes")}});
    });
    EXPECT_EQ(keyPathsOf(cls, "own"), ".OWN|");
    EXPECT_EQ(keyPathsOf(cls, "size"), ".bytes|");

    MMKeyValueHooks hooks;
    hooks.mm_replacedKeyFromPropertyName121 = [](const std::string& name) { return Id("hook_" + name); };
    mm_setHooks(cls, hooks);
    EXPECT_EQ(keyPathsOf(cls, "own"), ".hook_own|");
    mm_setHooks(cls, {});
}

TEST(MMReflection, NameListsFollowSetupsOnSuperclasses)
{
    using Model = Scratch<3>;
    const Class* cls = Model::classObject();
    EXPECT_EQ(mm_totalAllowedPropertyNames(cls)->count(), 0u);
    mm_setupAllowedPropertyNames(Font::classObject(), [] { return foundation::Array::create({Id("fontid")}); });
    mm_setupAllowedPropertyNames(cls, [] { return foundation::Array::create({Id("own"), Id("fontid")}); });
    EXPECT_EQ(mm_totalAllowedPropertyNames(cls)->componentsJoinedByString(","), "own,fontid,fontid")
        << "the set-up emptied the cache; names supplied twice are listed twice";
    mm_setupAllowedPropertyNames(Font::classObject(), nullptr);
    mm_setupAllowedPropertyNames(cls, nullptr);
    EXPECT_EQ(mm_totalAllowedPropertyNames(cls)->count(), 0u);
}

TEST(MMReflection, ElementClassesByNameOrHook)
{
    using Model = Scratch<4>;
    const Class* cls = Model::classObject();
    testmodels::Author::classObject();
    mm_setupObjectClassInArray(cls, [] {
        return foundation::Dictionary::create({{Id("authors"), Id("MMTestAuthor")}, {Id("tags"), Id("NoSuchClass")}});
    });
    EXPECT_EQ(propertyObjectClassInArray(cls, "authors"), testmodels::Author::classObject());
    EXPECT_EQ(propertyObjectClassInArray(cls, "tags"), nullptr);
    mm_setupObjectClassInArray(cls, nullptr);
    EXPECT_EQ(propertyObjectClassInArray(cls, "authors"), nullptr);
}

TEST(MMReflection, NewValueHooksAnswerInOrder)
{
    using Model = Scratch<5>;
    const Class* cls = Model::classObject();
    auto object = std::make_shared<Model>();
    const MMProperty& own = *properties(cls)->front();
    Id old("x");
    EXPECT_EQ(mm_getNewValueFromObject(cls, object, old, own), old) << "without hooks the very same object";
    mm_setupNewValueFromOldValue(Font::classObject(), [](const Id&, const Id&, const MMProperty&) { return Id("chain"); });
    EXPECT_EQ(mm_getNewValueFromObject(cls, object, old, own).stringValue(), "chain");
    MMKeyValueHooks hooks;
    hooks.mm_newValueFromOldValue = [](const Id&, const Id& value, const MMProperty& p) {
        return Id(value.stringValue() + "@" + p.name());
    };
    mm_setHooks(cls, hooks);
    EXPECT_EQ(mm_getNewValueFromObject(cls, object, old, own).stringValue(), "x@own");
    mm_setHooks(cls, {});
    mm_setupNewValueFromOldValue(Font::classObject(), nullptr);
}
