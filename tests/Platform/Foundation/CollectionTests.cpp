#include "Platform/Foundation/Foundation.h"

#include <gtest/gtest.h>

using namespace foundation;

TEST(Dictionary, KeepsInsertionOrderAndReplacesInPlace)
{
    auto dict = MutableDictionary::create();
    for (int i = 0; i < 40; ++i) // past the size at which a hash index is used
        dict->setObject(Id(i), Id("k" + std::to_string(i)));
    dict->setObject(Id("again"), Id("k3"));
    ASSERT_EQ(dict->count(), 40u);
    EXPECT_EQ(dict->entries()[3].value.stringValue(), "again");
    EXPECT_EQ(dict->allKeys()->objectAtIndex(39).stringValue(), "k39");
    dict->removeObjectForKey(Id("k0"));
    EXPECT_EQ(dict->allKeys()->firstObject().stringValue(), "k1");
    EXPECT_TRUE(dict->objectForKey("k0").isNil());
    EXPECT_EQ(dict->objectForKey("k39").integerValue(), 39);
    EXPECT_EQ((*dict)["k20"].integerValue(), 20);
}

TEST(Dictionary, KeysAreComparedByValueAndCopied)
{
    auto dict = MutableDictionary::create();
    auto key = MutableString::create("name");
    dict->setObject(Id("v"), Id(key));
    key->appendString("x");
    EXPECT_EQ(dict->objectForKey("name").stringValue(), "v") << "the dictionary copied the mutable key";
    EXPECT_TRUE(dict->objectForKey("namex").isNil());

    dict->setObject(Id("one"), Id(1));
    EXPECT_EQ(dict->objectForKey(Id(1.0)).stringValue(), "one") << "1 and 1.0 are the same key";
    EXPECT_TRUE(dict->objectForKey("1").isNil()) << "a number key is not its text";
}

TEST(Dictionary, IsSharedByReference)
{
    auto dict = MutableDictionary::create();
    auto fill = [](const Ref<MutableDictionary>& d) { d->setObject(Id("abc"), Id("secret")); };
    fill(dict);
    EXPECT_EQ(dict->objectForKey("secret").stringValue(), "abc");
    Id copy = Id(dict).copy();
    dict->setObject(Id(1), Id("later"));
    EXPECT_EQ(copy.count(), 1u) << "copy is a snapshot";
    EXPECT_FALSE(copy.is<MutableDictionary>());
}

TEST(Dictionary, NilKeysAndValuesAreMisuse)
{
    auto dict = MutableDictionary::create();
    try {
        dict->setObject(Id(), Id("k"));
        FAIL();
    } catch (const Exception& e) {
        EXPECT_EQ(e.name(), "NSInvalidArgumentException");
        EXPECT_EQ(e.reason(), "*** -[__NSDictionaryM setObject:forKey:]: object cannot be nil (key: k)");
    }
    EXPECT_THROW(dict->setObject(Id(1), Id()), Exception);
    dict->setValue(Id(2), "k");
    dict->setValue(Id(), "k");
    EXPECT_EQ(dict->count(), 0u) << "setValue with nil removes";
}

TEST(Dictionary, DescriptionSortsStringKeysAndQuotesLikeThePlatform)
{
    auto inner = Array::create({Id(1), Id("two words"), Id(-1), Id(Null::null())});
    auto dict = Dictionary::create({{Id("b"), Id(inner)}, {Id("a"), Id("中")}, {Id("c d"), Id(2.5)},
                                    {Id("url"), Id("http://x/y")}});
    EXPECT_EQ(dict->description(),
              "{\n"
              "    a = \"\\U4e2d\";\n"
              "    b =     (\n"
              "        1,\n"
              "        \"two words\",\n"
              "        \"-1\",\n"
              "        \"<null>\"\n"
              "    );\n"
              "    \"c d\" = \"2.5\";\n"
              "    url = \"http://x/y\";\n"
              "}");
    auto nested = Array::create({Id(Array::create({Id(1)}))});
    EXPECT_EQ(nested->description(), "(\n        (\n        1\n    )\n)");
}

TEST(Dictionary, EqualityIgnoresOrder)
{
    auto a = Dictionary::create({{Id("x"), Id(1)}, {Id("y"), Id("z")}});
    auto b = Dictionary::create({{Id("y"), Id("z")}, {Id("x"), Id(1.0)}});
    EXPECT_TRUE(a->isEqual(*b));
    auto c = Dictionary::create({{Id("y"), Id("z")}, {Id("x"), Id(2)}});
    EXPECT_FALSE(a->isEqual(*c));
}

TEST(Array, IndexesAreCheckedWithThePlatformsReasons)
{
    auto array = MutableArray::create({Id(1), Id(2), Id(3)});
    try {
        array->objectAtIndex(5);
        FAIL();
    } catch (const Exception& e) {
        EXPECT_EQ(e.name(), "NSRangeException");
        EXPECT_EQ(e.reason(), "*** -[NSMutableArray objectAtIndex:]: index 5 beyond bounds [0 .. 2]");
    }
    try {
        MutableArray::create()->objectAtIndex(0);
        FAIL();
    } catch (const Exception& e) {
        EXPECT_EQ(e.reason(), "*** -[NSMutableArray objectAtIndex:]: index 0 beyond bounds for empty array");
    }
    EXPECT_THROW(array->addObject(Id()), Exception);
    EXPECT_THROW(array->insertObject(Id(1), 4), Exception);
    array->insertObject(Id(0), 0);
    array->removeObject(Id(2.0));
    EXPECT_EQ(Id(array).description(), "(\n    0,\n    1,\n    3\n)");
}

TEST(Array, SubscriptsOfTheHandleNeverThrow)
{
    Id reply = Dictionary::create({{Id("corvane_data"), Id(Array::create({Id(Dictionary::create({{Id("id"), Id("12")}}))}))}});
    EXPECT_EQ(reply["corvane_data"][0]["id"].integerValue(), 12);
    EXPECT_TRUE(reply["corvane_data"][7]["id"].isNil());
    EXPECT_TRUE(reply["corvane_data"]["id"].isNil()) << "a key on an array is nil";
    EXPECT_TRUE(reply[0].isNil()) << "an index on a dictionary is nil";
    EXPECT_EQ(reply["missing"]["deeper"].integerValue(), 0);
    EXPECT_EQ(reply["missing"].description(), "(null)");
}

TEST(Array, SortingIsStableAndJoiningUsesDescriptions)
{
    auto array = Array::create({Id("b2"), Id("a"), Id("b1"), Id(3)});
    auto sorted = array->sortedArrayUsingComparator([](const Id& x, const Id& y) {
        auto first = [](const Id& v) { return v.stringValue().substr(0, 1); };
        return first(x) < first(y) ? ComparisonResult::Ascending
                                   : first(y) < first(x) ? ComparisonResult::Descending : ComparisonResult::Same;
    });
    EXPECT_EQ(sorted->componentsJoinedByString(","), "3,a,b2,b1");
}

TEST(Set, MembershipByValueInInsertionOrder)
{
    auto set = MutableSet::create({Id("text/html"), Id("application/json")});
    set->addObject(Id("text/html"));
    EXPECT_EQ(set->count(), 2u);
    EXPECT_TRUE(set->containsObject(Id(std::string("application/json"))));
    set->minusSet(*Set::create({Id("text/html")}));
    EXPECT_EQ(set->allObjects()->componentsJoinedByString(","), "application/json");
}

TEST(Set, DescriptionListsMembersInBracesAndParentheses)
{
    auto set = Set::create({Id("a"), Id(Array::create({Id(1)}))});
    EXPECT_EQ(set->description(), "{(\n    a,\n        (\n        1\n    )\n)}");
}

TEST(Misuse, AGuardReportsAndTheOperationAnswersItsDefault)
{
    std::vector<std::string> reports;
    auto previous = setMisuseGuard([&](const std::string& name, const std::string& reason) {
        reports.push_back(name + ": " + reason);
    });
    auto array = MutableArray::create({Id(1)});
    EXPECT_TRUE(array->objectAtIndex(3).isNil());
    array->addObject(Id());
    auto dict = MutableDictionary::create();
    dict->setObject(Id(), Id("k"));
    EXPECT_EQ(String::create("ab")->substringFromIndex(9)->utf8(), "");
    setMisuseGuard(previous);

    ASSERT_EQ(reports.size(), 4u);
    EXPECT_EQ(reports[0], "NSRangeException: *** -[NSMutableArray objectAtIndex:]: index 3 beyond bounds [0 .. 0]");
    EXPECT_EQ(array->count(), 1u);
    EXPECT_EQ(dict->count(), 0u);
    EXPECT_THROW(array->objectAtIndex(3), Exception) << "without the guard it raises again";
}

TEST(Class, RegistryKnowsThePlatformHierarchy)
{
    EXPECT_EQ(MutableArray::classObject()->superclass(), Array::classObject());
    EXPECT_EQ(Class::named("NSMutableString")->superclass()->name(), "NSString");
    const Class* decimal = DecimalNumber::classObject();
    EXPECT_EQ(decimal->superclass()->name(), "NSNumber");
    EXPECT_EQ(decimal->superclass()->superclass()->name(), "NSValue");
    EXPECT_EQ(decimal->superclass()->superclass()->superclass()->name(), "NSObject");
    Id made = Class::named("NSMutableDictionary")->createInstance();
    EXPECT_TRUE(made.is<MutableDictionary>());
    EXPECT_TRUE(Id(MutableString::create("x")).isKindOfClass(String::classObject()));
    EXPECT_FALSE(Id(String::create("x")).isKindOfClass(MutableString::classObject()));
    EXPECT_EQ(Class::named("NoSuchClass"), nullptr);
}

TEST(Dictionary, ParsersEntriesAreAdoptedWithRepeatsResolved)
{
    auto build = [](int count, bool repeat) {
        std::vector<Dictionary::Entry> entries;
        for (int i = 0; i < count; ++i)
            entries.push_back({Id("k" + std::to_string(i)), Id(i), 0});
        if (repeat)
            entries.push_back({Id("k1"), Id("last"), 0});
        entries.push_back({Id("nil value"), Id(), 0});
        return Dictionary::createWithEntries(std::move(entries));
    };
    for (int count : {3, 30}) {
        auto plain = build(count, false);
        EXPECT_EQ(plain->count(), static_cast<std::size_t>(count)) << "the nil value is dropped";
        EXPECT_EQ(plain->objectForKey("k2").integerValue(), 2);
        auto repeated = build(count, true);
        EXPECT_EQ(repeated->count(), static_cast<std::size_t>(count));
        EXPECT_EQ(repeated->objectForKey("k1").stringValue(), "last") << "a later key wins";
        EXPECT_EQ(repeated->entries()[1].key.stringValue(), "k1") << "and keeps the first place";
    }
}

TEST(Dictionary, RepeatAmongManyCleanEntriesIsFoundWhileIndexing)
{
    std::vector<Dictionary::Entry> entries;
    for (int i = 0; i < 30; ++i)
        entries.push_back({Id("k" + std::to_string(i)), Id(i), 0});
    entries.push_back({Id("k1"), Id("last"), 0});
    auto dictionary = Dictionary::createWithEntries(std::move(entries));
    EXPECT_EQ(dictionary->count(), 30u);
    EXPECT_EQ(dictionary->objectForKey("k1").stringValue(), "last");
    EXPECT_EQ(dictionary->entries()[1].key.stringValue(), "k1");
    EXPECT_EQ(dictionary->objectForKey("k29").integerValue(), 29);
}
