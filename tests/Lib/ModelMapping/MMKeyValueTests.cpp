#include "Lib/ModelMapping/MMCoding.h"
#include "Lib/ModelMapping/MMKeyValue.h"
#include "Lib/ModelMapping/MMPropertyReflection.h"
#include "Platform/Storage/KeyedArchiver.h"
#include "Platform/Serialization/PropertyListSerialization.h"
#include "Platform/Storage/KeyedUnarchiver.h"
#include "Support/TempHome.h"
#include "TestModels.h"

#include <gtest/gtest.h>

using namespace mm;
using foundation::Array;
using foundation::Dictionary;
using foundation::Id;
using foundation::Ref;
using testmodels::Author;
using testmodels::Font;

namespace {

Ref<Dictionary> row(std::initializer_list<std::pair<Id, Id>> pairs)
{
    return Dictionary::create(pairs);
}

std::string errorOf(const foundation::Class* cls)
{
    auto error = mm_error(cls);
    return error ? error->domain() + "/" + std::to_string(error->code()) : "";
}


} // namespace

TEST(MMKeyValue, ArrayOfDictionariesBecomesRecords)
{
    auto input = Array::create({Id(row({{Id("fontid"), Id(12)}, {Id("fontname"), Id("Deja")}, {Id("unknown"), Id(1)}})),
                                Id(row({{Id("size"), Id(1LL << 40)}, {Id("downloads"), Id(18446744073709551615ULL)},
                                        {Id("isVip"), Id(true)}, {Id("score"), Id(4.5)}}))});
    auto fonts = mm_objectsOfClass<Font>(mm_objectArrayWithKeyValuesArray(Font::classObject(), input));
    ASSERT_EQ(fonts.size(), 2u);
    EXPECT_EQ(fonts[0]->fontid, 12);
    EXPECT_EQ(fonts[0]->fontname->utf8(), "Deja");
    EXPECT_EQ(fonts[0]->size, 0) << "properties without an entry keep their initial values";
    EXPECT_EQ(fonts[1]->size, 1LL << 40);
    EXPECT_EQ(fonts[1]->downloads, 18446744073709551615ULL);
    EXPECT_TRUE(fonts[1]->isVip);
    EXPECT_DOUBLE_EQ(fonts[1]->score, 4.5);
    EXPECT_EQ(errorOf(Font::classObject()), "");
}

TEST(MMKeyValue, ValuesAreConvertedToThePropertysType)
{
    auto font = std::make_shared<Font>();
    font->fontid = 5;
    font->fontname = foundation::String::create("keep");
    mm_setKeyValues(font, row({{Id("fontid"), Id(foundation::Null::null())}, {Id("fontname"), Id(7)}}));
    EXPECT_EQ(font->fontid, 5) << "Null leaves the property untouched";
    EXPECT_EQ(font->fontname->utf8(), "7") << "a number under a string property is stored as its description";
    mm_setKeyValues(font, row({{Id("fontname"), Id(true)}, {Id("fontid"), Id("12")}, {Id("size"), Id("9000000000")}}));
    EXPECT_EQ(font->fontname->utf8(), "1");
    EXPECT_EQ(font->fontid, 12);
    EXPECT_EQ(font->size, 9000000000LL);
    mm_setKeyValues(font, row({{Id("fontid"), Id("abc")}, {Id("score"), Id("2.25")}}));
    EXPECT_EQ(font->fontid, 12) << "text that is no number stores nothing";
    EXPECT_DOUBLE_EQ(font->score, 2.25);
    for (const char* yes : {"YES", "true", "TrUe", "1"}) {
        font->isVip = false;
        mm_setKeyValues(font, row({{Id("isVip"), Id(yes)}}));
        EXPECT_TRUE(font->isVip) << yes;
    }
    for (const char* no : {"no", "FALSE", "0"}) {
        font->isVip = true;
        mm_setKeyValues(font, row({{Id("isVip"), Id(no)}}));
        EXPECT_FALSE(font->isVip) << no;
    }
    font->isVip = true;
    mm_setKeyValues(font, row({{Id("isVip"), Id("maybe")}}));
    EXPECT_TRUE(font->isVip) << "a word that is no boolean stores nothing";
    mm_setKeyValues(font, row({{Id("tags"), Id("not an array")}, {Id("home"), Id("http://h/a b")}}));
    EXPECT_EQ(font->tags, nullptr) << "a value of the wrong class is dropped";
    ASSERT_NE(font->home, nullptr);
    EXPECT_EQ(font->home->absoluteString(), "http://h/a%20b");
    mm_setKeyValues(font, row({{Id("extra"), Id(row({{Id("x"), Id(1)}}))}}));
    EXPECT_TRUE(font->extra.is<Dictionary>()) << "an untyped property takes any value";
}

TEST(MMKeyValue, NestedModelsAndArraysOfModels)
{
    mm_setupObjectClassInArray(Font::classObject(), [] {
        return Dictionary::create({{Id("authors"), Id("MMTestAuthor")}});
    });
    auto input = row({{Id("author"), Id(row({{Id("name"), Id("Ann")}, {Id("age"), Id("41")}}))},
                      {Id("authors"), Id(Array::create({Id(row({{Id("name"), Id("B")}})), Id(3),
                                                        Id("{\"name\":\"C\"}")}))}});
    auto font = mm_objectWithKeyValues(Font::classObject(), input).as<Font>();
    mm_setupObjectClassInArray(Font::classObject(), nullptr);
    ASSERT_NE(font, nullptr);
    ASSERT_NE(font->author, nullptr);
    EXPECT_EQ(font->author->name->utf8(), "Ann");
    EXPECT_EQ(font->author->age, 41);
    auto authors = mm_objectsOfClass<Author>(font->authors);
    ASSERT_EQ(authors.size(), 2u) << "the number is dropped, the JSON text of an object converts";
    EXPECT_EQ(authors[1]->name->utf8(), "C");
}

TEST(MMKeyValue, JSONInputAndItsFailures)
{
    auto font = mm_objectWithKeyValues(Font::classObject(), Id("{\"fontid\": 3, \"fontname\": \"J\"}")).as<Font>();
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(font->fontid, 3);
    EXPECT_TRUE(mm_objectWithKeyValues(Font::classObject(), Id("\"just text\"")).isNil());
    EXPECT_EQ(errorOf(Font::classObject()), "keyValues参数不是一个字典/250");
    EXPECT_EQ(mm_objectArrayWithKeyValuesArray(Font::classObject(), Id(row({}))), nullptr);
    EXPECT_EQ(errorOf(Font::classObject()), "keyValuesArray参数不是一个数组/250");

    auto nested = mm_objectArrayWithKeyValuesArray(
        Font::classObject(), Id("[{\"fontid\":1}, [{\"fontid\":2}, {\"fontid\":3}], 7, {\"fontid\":4}]"));
    ASSERT_NE(nested, nullptr);
    ASSERT_EQ(nested->count(), 3u);
    EXPECT_EQ(nested->objectAtIndex(1).count(), 2u) << "an inner array becomes a nested array of records";
    EXPECT_EQ(errorOf(Font::classObject()), "") << "the last element succeeded, so no error is left";
}

TEST(MMKeyValue, ReplacedKeyPathsInBothDirections)
{
    class Mapped : public Font {
    public:
        static const foundation::Class* classObject()
        {
            static const foundation::Class* cls = runtime::ClassBuilder<Mapped>("MMTestMapped", Font::classObject()).build();
            return cls;
        }
        const foundation::Class* isa() const override { return classObject(); }
    };
    const foundation::Class* cls = Mapped::classObject();
    mm_setupReplacedKeyFromPropertyName(cls, [] {
        return Dictionary::create({{Id("fontname"), Id("info.name")}, {Id("fontid"), Id("ids[2]")}});
    });
    auto input = row({{Id("info"), Id(row({{Id("name"), Id("Nested")}}))},
                      {Id("ids"), Id(Array::create({Id(1), Id(2), Id(3)}))}});
    auto model = mm_objectWithKeyValues(cls, input).as<Mapped>();
    ASSERT_NE(model, nullptr);
    EXPECT_EQ(model->fontname->utf8(), "Nested");
    EXPECT_EQ(model->fontid, 3);

    Id out = mm_keyValues(model);
    EXPECT_EQ(out["info"]["name"].stringValue(), "Nested");
    ASSERT_EQ(out["ids"].count(), 3u);
    EXPECT_TRUE(out["ids"][0].isNull());
    EXPECT_EQ(out["ids"][2].integerValue(), 3);

    mm_referenceReplacedKeyWhenCreatingKeyValues(cls, false);
    Id flat = mm_keyValues(model);
    EXPECT_EQ(flat["fontname"].stringValue(), "Nested");
    EXPECT_TRUE(flat["info"].isNil());
    mm_referenceReplacedKeyWhenCreatingKeyValues(cls, true);
    mm_setupReplacedKeyFromPropertyName(cls, nullptr);
}

TEST(MMKeyValue, ModelsToDictionaries)
{
    auto font = std::make_shared<Font>();
    font->fontid = 9;
    font->isVip = true;
    font->author = std::make_shared<Author>();
    font->author->name = foundation::String::create("Ann");
    font->home = foundation::URL::URLWithString("https://h/x");
    Id out = mm_keyValues(font);
    EXPECT_EQ(out["fontid"].integerValue(), 9);
    EXPECT_EQ(out["isVip"].number()->objCType(), 'c');
    EXPECT_EQ(out["author"]["name"].stringValue(), "Ann");
    EXPECT_EQ(out["home"].stringValue(), "https://h/x");
    EXPECT_TRUE(out["fontname"].isNil()) << "nil values are left out";

    auto plain = row({{Id("a"), Id(1)}});
    EXPECT_EQ(mm_keyValues(plain), Id(plain));
    EXPECT_EQ(errorOf(Dictionary::classObject()), "不是自定义的模型类/250");

    auto array = mm_keyValuesArrayWithObjectArray(Font::classObject(), Array::create({Id(font), Id("text")}),
                                                  Array::create({Id("fontid")}), Array::create({Id("fontid")}));
    ASSERT_EQ(array->count(), 2u);
    EXPECT_EQ(array->objectAtIndex(0).count(), 1u) << "with both lists only the keys apply";
    EXPECT_EQ(array->objectAtIndex(1).stringValue(), "text");
    EXPECT_EQ(mm_keyValuesArrayWithObjectArray(Font::classObject(), Id("x")), nullptr);
    EXPECT_EQ(errorOf(Font::classObject()), "objectArray参数不是一个数组/250");
}

TEST(MMKeyValue, JSONOutputRefusesWhatJSONCannotCarry)
{
    auto font = std::make_shared<Font>();
    font->fontid = 1;
    auto text = mm_JSONString(font);
    ASSERT_NE(text, nullptr);
    EXPECT_NE(text->utf8().find("\"fontid\":1"), std::string::npos);
    font->progressBlock = [](double) {};
    EXPECT_EQ(mm_JSONData(font), nullptr) << "a block property makes the JSON form impossible: nil, no crash";
}

TEST(MMKeyValue, HostileNestingEndsInAnError)
{
    // Each level holds the next under "author" with no end in sight.
    Id level = row({{Id("name"), Id("deep")}});
    for (int i = 0; i < 2000; ++i)
        level = row({{Id("author"), level}});
    mm_setupObjectClassInArray(Font::classObject(), nullptr);
    class Chain : public foundation::Object {
    public:
        static const foundation::Class* classObject()
        {
            static const foundation::Class* cls = runtime::ClassBuilder<Chain>("MMTestChain")
                                                      .property("author", &Chain::author, {.className = "MMTestChain"})
                                                      .build();
            return cls;
        }
        const foundation::Class* isa() const override { return classObject(); }
        Ref<Chain> author;
    };
    Id result = mm_objectWithKeyValues(Chain::classObject(), level);
    EXPECT_TRUE(result.is<Chain>());
    EXPECT_EQ(errorOf(Chain::classObject()), "keyValues嵌套过深/250");
}

TEST(MMCoding, RoundTripThroughAKeyedArchive)
{
    auto font = std::make_shared<Font>();
    font->fontid = 77;
    font->fontname = foundation::String::create("Archived");
    font->score = 1.25;
    foundation::KeyedArchiver archiver;
    mm_encode(font, archiver);
    auto data = archiver.encodedData();
    auto unarchiver = foundation::KeyedUnarchiver::create(*data);
    ASSERT_NE(unarchiver, nullptr);
    auto copy = std::make_shared<Font>();
    mm_decode(copy, *unarchiver);
    EXPECT_EQ(copy->fontid, 77);
    EXPECT_EQ(copy->fontname->utf8(), "Archived");
    EXPECT_DOUBLE_EQ(copy->score, 1.25);
    EXPECT_EQ(copy->author, nullptr) << "nil properties were not written";

    // Entries keyed by the backing variable's name are read as well.
    foundation::KeyedArchiver legacy;
    legacy.encodeObject(Id(5), "_fontid");
    auto legacyData = legacy.encodedData();
    auto legacyReader = foundation::KeyedUnarchiver::create(*legacyData);
    auto restored = std::make_shared<Font>();
    mm_decode(restored, *legacyReader);
    EXPECT_EQ(restored->fontid, 5);

    mm_setupIgnoredCodingPropertyNames(Font::classObject(), [] { return Array::create({Id("fontname")}); });
    foundation::KeyedArchiver filtered;
    mm_encode(font, filtered);
    auto filteredData = filtered.encodedData();
    auto filteredReader = foundation::KeyedUnarchiver::create(*filteredData);
    EXPECT_TRUE(filteredReader->decodeObjectForKey("fontname").isNil());
    EXPECT_EQ(filteredReader->decodeObjectForKey("fontid").integerValue(), 77);
    mm_setupIgnoredCodingPropertyNames(Font::classObject(), nullptr);
}

TEST(MMKeyValue, PropertyListFilesAndResources)
{
    auto dir = testsupport::makeScratchDir("mm-files");
    auto rows = Array::create({Id(row({{Id("fontid"), Id(1)}})), Id(row({{Id("fontid"), Id(2)}}))});
    auto arrayData = foundation::PropertyListSerialization::dataWithPropertyList(
        rows, foundation::PropertyListXMLFormat_v1_0);
    ASSERT_NE(arrayData, nullptr);
    ASSERT_TRUE(arrayData->writeToFile(dir / "fonts.plist", true));
    ASSERT_TRUE(foundation::PropertyListSerialization::dataWithPropertyList(rows->objectAtIndex(1),
                                                                           foundation::PropertyListBinaryFormat_v1_0)
                    ->writeToFile(dir / "one.plist", true));

    auto fonts = mm_objectArrayWithFile(Font::classObject(), Id((dir / "fonts.plist").string()));
    ASSERT_NE(fonts, nullptr);
    EXPECT_EQ(fonts->count(), 2u);
    auto one = mm_objectWithFile(Font::classObject(), Id((dir / "one.plist").string())).as<Font>();
    ASSERT_NE(one, nullptr);
    EXPECT_EQ(one->fontid, 2);

    setenv("CORVANE_RESOURCE_DIR", dir.c_str(), 1);
    EXPECT_EQ(mm_objectArrayWithFilename(Font::classObject(), Id("fonts.plist"))->count(), 2u);
    EXPECT_EQ(mm_objectArrayWithFilename(Font::classObject(), Id("missing.plist")), nullptr);
    EXPECT_EQ(errorOf(Font::classObject()), "file参数为nil/250") << "a resource that is not there has no path";
    EXPECT_TRUE(mm_objectWithFilename(Font::classObject(), Id()).isNil());
    EXPECT_EQ(errorOf(Font::classObject()), "filename参数为nil/250");
    unsetenv("CORVANE_RESOURCE_DIR");
}
