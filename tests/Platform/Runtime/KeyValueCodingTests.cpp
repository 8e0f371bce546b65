#include "Platform/Runtime/KeyValueCoding.h"
#include "TestModels.h"

#include <gtest/gtest.h>
#include <regex>

using namespace runtimetests;
using foundation::Dictionary;
using foundation::MutableDictionary;
using foundation::Null;
using runtime::setValueForKey;
using runtime::valueForKey;

namespace {

Ref<KXTestFont> makeFont()
{
    return std::make_shared<KXTestFont>();
}

// The exception a call raises, as "name: reason".
template <class Call> std::string raised(const Call& call)
{
    try {
        call();
    } catch (const foundation::Exception& exception) {
        return exception.name() + ": " + exception.reason();
    }
    return "nothing raised";
}

} // namespace

TEST(KeyValueCodingRead, ScalarsBoxWithTheirKinds)
{
    auto font = makeFont();
    font->fontid = 1LL << 40;
    font->downloads = -3;
    font->isD = true;
    font->score = 2.5;
    auto fontid = valueForKey(font, "fontid").number();
    ASSERT_TRUE(fontid);
    EXPECT_EQ(fontid->longLongValue(), 1LL << 40);
    EXPECT_EQ(fontid->objCType(), 'q');
    EXPECT_EQ(valueForKey(font, "downloads").number()->objCType(), 'i');
    auto isD = valueForKey(font, "isD").number();
    EXPECT_EQ(isD->objCType(), 'c');
    EXPECT_EQ(isD->description(), "1");
    EXPECT_EQ(valueForKey(font, "score").doubleValue(), 2.5);
}

TEST(KeyValueCodingRead, ObjectsComeBackAsTheSameInstance)
{
    auto font = makeFont();
    font->name = String::create("Hei");
    EXPECT_EQ(valueForKey(font, "name").get(), font->name.get());
    EXPECT_TRUE(valueForKey(font, "tags").isNil());
}

TEST(KeyValueCodingRead, CustomGetterAndBackingVariableNamesAreKeys)
{
    auto font = makeFont();
    font->setEnLanguage(true);
    font->fontid = 9;
    EXPECT_TRUE(valueForKey(font, "enLanguage").boolValue());
    EXPECT_TRUE(valueForKey(font, "isEnLanguage").boolValue());
    EXPECT_EQ(valueForKey(font, "_fontid").integerValue(), 9);
}

TEST(KeyValueCodingRead, InheritedPropertiesAreReachable)
{
    auto child = std::make_shared<KXTestFontChild>();
    child->fontid = 5;
    child->childOnly = 6;
    EXPECT_EQ(valueForKey(child, "fontid").integerValue(), 5);
    EXPECT_EQ(valueForKey(child, "childOnly").integerValue(), 6);
}

TEST(KeyValueCodingWrite, ScalarsAcceptNumbersAndNumericStrings)
{
    auto font = makeFont();
    setValueForKey(font, Id(3.9), "downloads");
    EXPECT_EQ(font->downloads, 3);
    setValueForKey(font, Id("  12abc"), "downloads");
    EXPECT_EQ(font->downloads, 12);
    setValueForKey(font, Id("9007199254740993"), "fontid");
    EXPECT_EQ(font->fontid, 9007199254740993LL);
    setValueForKey(font, Id("2.25"), "score");
    EXPECT_EQ(font->score, 2.25);
    setValueForKey(font, Id("yes"), "isD");
    EXPECT_TRUE(font->isD);
    setValueForKey(font, Id(0), "isD");
    EXPECT_FALSE(font->isD);
    setValueForKey(font, Id(true), "enLanguage");
    EXPECT_TRUE(font->isEnLanguage());
}

TEST(KeyValueCodingWrite, ObjectsAreStoredAndNilClearsThem)
{
    auto font = makeFont();
    setValueForKey(font, Id("Song"), "title");
    EXPECT_EQ(font->title()->utf8(), "Song");
    setValueForKey(font, nullptr, "title");
    EXPECT_FALSE(font->title());
    auto other = makeFont();
    setValueForKey(font, other, "parent");
    EXPECT_EQ(font->parent, other);
    setValueForKey(font, Id(4), "extra");
    EXPECT_EQ(font->extra.integerValue(), 4);
}

TEST(KeyValueCodingWrite, CopyPropertiesKeepAnImmutableCopy)
{
    auto font = makeFont();
    auto text = foundation::MutableString::create("Hei");
    setValueForKey(font, text, "name");
    text->appendString("Ti");
    EXPECT_EQ(font->name->utf8(), "Hei");
    EXPECT_FALSE(font->name->isKindOfClass(foundation::MutableString::classObject()));
    setValueForKey(font, text, "title"); // a strong property shares the object
    EXPECT_EQ(font->title().get(), text.get());
}

TEST(KeyValueCodingWrite, BlocksTravelBoxed)
{
    auto font = makeFont();
    double seen = 0;
    font->progressBlock = [&](double value) { seen = value; };
    Id boxed = valueForKey(font, "progressBlock");
    EXPECT_EQ(boxed.get()->isa()->name(), "NSBlock");
    auto copy = makeFont();
    setValueForKey(copy, boxed, "progressBlock");
    ASSERT_TRUE(copy->progressBlock);
    copy->progressBlock(0.5);
    EXPECT_EQ(seen, 0.5);
}

TEST(KeyValueCodingMisuse, UnknownKeysRaiseWithThePlatformReason)
{
    auto font = makeFont();
    std::regex setReason(R"(NSUnknownKeyException: \[<KXTestFont 0x[0-9a-f]+> setValue:forUndefinedKey:\]: )"
                         R"(this class is not key value coding-compliant for the key bar\.)");
    EXPECT_TRUE(std::regex_match(raised([&] { setValueForKey(font, Id(1), "bar"); }), setReason));
    std::regex getReason(R"(NSUnknownKeyException: \[<KXTestFont 0x[0-9a-f]+> valueForUndefinedKey:\]: )"
                         R"(this class is not key value coding-compliant for the key bar\.)");
    EXPECT_TRUE(std::regex_match(raised([&] { valueForKey(font, "bar"); }), getReason));
}

TEST(KeyValueCodingMisuse, NilIntoAScalarRaisesWithThePlatformReason)
{
    auto font = makeFont();
    font->downloads = 4;
    std::regex reason(R"(NSInvalidArgumentException: \[<KXTestFont 0x[0-9a-f]+> setNilValueForKey\]: )"
                      R"(could not set nil as the value for the key downloads\.)");
    EXPECT_TRUE(std::regex_match(raised([&] { setValueForKey(font, nullptr, "downloads"); }), reason));
    EXPECT_EQ(font->downloads, 4);
}

TEST(KeyValueCodingMisuse, ReadonlyPropertiesAreNotWritable)
{
    auto font = makeFont();
    EXPECT_NE(raised([&] { setValueForKey(font, Id(1), "version"); }).find("setValue:forUndefinedKey:"),
        std::string::npos);
}

TEST(KeyValueCodingMisuse, WrongValueKindsRaiseAndKeepTheOldValue)
{
    auto font = makeFont();
    font->downloads = 2;
    std::regex selector(
        R"(NSInvalidArgumentException: -\[NSArray intValue\]: unrecognized selector sent to instance 0x[0-9a-f]+)");
    EXPECT_TRUE(std::regex_match(
        raised([&] { setValueForKey(font, foundation::Array::create(), "downloads"); }), selector));
    EXPECT_EQ(font->downloads, 2);
    font->tags = foundation::Array::create({ Id(1) });
    EXPECT_NE(raised([&] { setValueForKey(font, Id("text"), "tags"); }), "nothing raised");
    EXPECT_EQ(font->tags->count(), 1u);
}

TEST(KeyValueCodingMisuse, WithAGuardTheCallReportsAndAnswersNil)
{
    std::vector<std::string> reports;
    auto previous = foundation::setMisuseGuard(
        [&](const std::string& name, const std::string&) { reports.push_back(name); });
    auto font = makeFont();
    EXPECT_TRUE(valueForKey(font, "missing").isNil());
    setValueForKey(font, nullptr, "fontid");
    foundation::setMisuseGuard(previous);
    EXPECT_EQ(reports, (std::vector<std::string> { "NSUnknownKeyException", "NSInvalidArgumentException" }));
}

TEST(KeyValueCodingHooks, ClassHooksReplaceTheDefaultsAndAreInherited)
{
    std::string undefinedKey;
    std::string nilKey;
    runtime::setKeyValueCodingHooks(KXTestFont::classObject(),
        { .valueForUndefinedKey = [](const Object&, std::string_view key) { return Id(key); },
            .setValueForUndefinedKey = [&](Object&, const Id&, std::string_view key) { undefinedKey = key; },
            .setNilValueForKey = [&](Object&, std::string_view key) { nilKey = key; } });
    auto child = std::make_shared<KXTestFontChild>();
    EXPECT_EQ(valueForKey(child, "nothing").stringValue(), "nothing");
    setValueForKey(child, Id(1), "missing");
    setValueForKey(child, nullptr, "score");
    runtime::setKeyValueCodingHooks(KXTestFont::classObject(), {});
    EXPECT_EQ(undefinedKey, "missing");
    EXPECT_EQ(nilKey, "score");
    EXPECT_NE(raised([&] { valueForKey(child, "nothing"); }), "nothing raised");
}

TEST(KeyValueCodingContainers, DictionariesReadAndWriteEntries)
{
    auto dictionary = MutableDictionary::create({ { Id("a"), Id(1) }, { Id("b"), Id(2) } });
    EXPECT_EQ(valueForKey(dictionary, "a").integerValue(), 1);
    EXPECT_TRUE(valueForKey(dictionary, "zzz").isNil());
    EXPECT_EQ(valueForKey(dictionary, "@count").integerValue(), 2);
    setValueForKey(dictionary, Id("x"), "c");
    setValueForKey(dictionary, nullptr, "a");
    EXPECT_EQ(dictionary->description(), "{\n    b = 2;\n    c = x;\n}");
    auto frozen = Dictionary::create({ { Id("a"), Id(1) } });
    EXPECT_NE(
        raised([&] { setValueForKey(frozen, Id(2), "a"); }).find("NSUnknownKeyException"), std::string::npos);
}

TEST(KeyValueCodingContainers, ArraysMapOverTheirElements)
{
    auto first = makeFont();
    first->fontid = 1;
    auto second = MutableDictionary::create({ { Id("fontid"), Id(2) } });
    auto list = foundation::Array::create({ Id(first), Id(second), Id(MutableDictionary::create()) });
    Id ids = valueForKey(list, "fontid");
    EXPECT_EQ(ids.description(), "(\n    1,\n    2,\n    \"<null>\"\n)");
    EXPECT_EQ(valueForKey(list, "@count").integerValue(), 3);
    runtime::setValueForKey(list, Id(8), "fontid");
    EXPECT_EQ(first->fontid, 8);
    EXPECT_EQ(second->objectForKey("fontid").integerValue(), 8);
}

TEST(KeyValueCodingPaths, PathsWalkObjectsAndDictionaries)
{
    auto font = makeFont();
    font->parent = makeFont();
    font->parent->name = String::create("Kai");
    font->extra = MutableDictionary::create(
        { { Id("info"), Id(MutableDictionary::create({ { Id("id"), Id(42) } })) } });
    EXPECT_EQ(runtime::valueForKeyPath(font, "parent.name").stringValue(), "Kai");
    EXPECT_EQ(runtime::valueForKeyPath(font, "extra.info.id").integerValue(), 42);
    EXPECT_TRUE(runtime::valueForKeyPath(font, "tags.count").isNil()); // nil midway answers nil
    runtime::setValueForKeyPath(font, Id("12"), "parent.downloads");
    EXPECT_EQ(font->parent->downloads, 12);
    runtime::setValueForKeyPath(font, Id(7), "extra.info.id");
    EXPECT_EQ(runtime::valueForKeyPath(font, "extra.info.id").integerValue(), 7);
}

TEST(KeyValueCodingPaths, ArrayElementsFollowTheWholePath)
{
    auto withInfo = Dictionary::create({ { Id("info"), Id(Dictionary::create({ { Id("id"), Id(1) } })) } });
    auto without = Dictionary::create();
    auto list = foundation::Array::create({ Id(withInfo), Id(without) });
    EXPECT_EQ(runtime::valueForKeyPath(list, "info.id").description(), "(\n    1,\n    \"<null>\"\n)");
}

TEST(KeyValueCodingBulk, DictionaryOfValuesAndBack)
{
    auto font = makeFont();
    runtime::setValuesForKeysWithDictionary(font,
        *Dictionary::create(
            { { Id("fontid"), Id("77") }, { Id("name"), Id("Ming") }, { Id("title"), Id(Null::null()) } }));
    EXPECT_EQ(font->fontid, 77);
    EXPECT_EQ(font->name->utf8(), "Ming");
    EXPECT_FALSE(font->title());
    auto values = runtime::dictionaryWithValuesForKeys(
        font, *foundation::Array::create({ Id("fontid"), Id("tags") }));
    EXPECT_EQ(values->objectForKey("fontid").integerValue(), 77);
    EXPECT_TRUE(values->objectForKey("tags").isNull());
    EXPECT_FALSE(values->isKindOfClass(foundation::MutableDictionary::classObject()));
}

TEST(KeyValueCodingBulk, NullIntoAScalarGoesThroughTheNilReaction)
{
    auto font = makeFont();
    EXPECT_NE(raised([&] {
        runtime::setValuesForKeysWithDictionary(
            font, *Dictionary::create({ { Id("score"), Id(Null::null()) } }));
    }).find("setNilValueForKey"),
        std::string::npos);
}
