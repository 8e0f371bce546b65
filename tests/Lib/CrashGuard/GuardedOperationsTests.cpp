// Each guarded operation: the default the caller gets, what the report says it did instead, and
// that it is reported once.

#include "GuardTestSupport.h"
#include "Platform/Foundation/Foundation.h"
#include "Platform/Runtime/ClassBuilder.h"
#include "Platform/Runtime/KeyValueCoding.h"
#include "Platform/Serialization/JSONSerialization.h"
#include "Platform/Storage/UserDefaults.h"

#include <cmath>

using foundation::Array;
using foundation::Data;
using foundation::Dictionary;
using foundation::Id;
using foundation::MutableArray;
using foundation::MutableDictionary;
using foundation::MutableString;
using foundation::Ref;
using foundation::String;
using guardtest::entry;
using guardtest::Report;

namespace {

class GuardedOperations : public guardtest::GuardTest {
protected:
    // The one report of `action`, with its name, "defaultToDo" and reason checked.
    void expectReported(const std::function<void()>& action, std::string_view name, const char* defaultToDo,
        std::string_view reason)
    {
        const Report report = onlyReportOf(action);
        EXPECT_EQ(entry(report, CrashGuard::kErrorNameKey), name);
        EXPECT_EQ(entry(report, CrashGuard::kDefaultToDoKey), defaultToDo);
        EXPECT_EQ(entry(report, CrashGuard::kErrorReasonKey), reason);
    }
};

std::string joined(const Array& array)
{
    return array.componentsJoinedByString(",");
}

class GuardedModel : public foundation::Object {
public:
    static const foundation::Class* classObject()
    {
        static const foundation::Class* cls = runtime::ClassBuilder<GuardedModel>("GuardedModel")
                                                  .property("name", &GuardedModel::name)
                                                  .property("count", &GuardedModel::count)
                                                  .build();
        return cls;
    }
    const foundation::Class* isa() const override { return classObject(); }

    Ref<String> name;
    int count = 0;
};

} // namespace

TEST_F(GuardedOperations, ArrayLiteralsDropTheirNilsAndReportOnce)
{
    Ref<Array> array;
    expectReported(
        [&] {
            array = Array::create({ Id(1), Id(), Id(3) });
        },
        "NSInvalidArgumentException", CrashGuard::kDefaultToRebuildArray,
        "*** -[__NSPlaceholderArray initWithObjects:count:]: attempt to insert nil object from objects[1]");
    EXPECT_EQ(joined(*array), "1,3");

    Ref<MutableArray> mutableArray;
    expectReported(
        [&] {
            mutableArray = MutableArray::create({ Id(), Id("a"), Id() });
        },
        "NSInvalidArgumentException", CrashGuard::kDefaultToRebuildArray,
        "*** -[__NSPlaceholderArray initWithObjects:count:]: attempt to insert nil object from objects[0]");
    EXPECT_EQ(joined(*mutableArray), "a");
}

TEST_F(GuardedOperations, DictionaryLiteralsKeepOnlyWholePairsAndReportOnce)
{
    Ref<Dictionary> dictionary;
    expectReported(
        [&] {
            dictionary = Dictionary::create({ { Id("only"), Id() } });
        },
        "NSInvalidArgumentException", CrashGuard::kDefaultToRebuildDictionary,
        "*** -[__NSPlaceholderDictionary initWithObjects:forKeys:count:]: attempt to insert nil object from "
        "objects[0]");
    EXPECT_EQ(dictionary->count(), 0u);

    Ref<MutableDictionary> mutableDictionary;
    expectReported(
        [&] {
            mutableDictionary
                = MutableDictionary::create({ { Id("a"), Id(1) }, { Id(), Id(2) }, { Id("c"), Id() } });
        },
        "NSInvalidArgumentException", CrashGuard::kDefaultToRebuildDictionary,
        "*** -[__NSPlaceholderDictionary initWithObjects:forKeys:count:]: attempt to insert nil key from "
        "keys[1]");
    ASSERT_EQ(mutableDictionary->count(), 1u);
    EXPECT_EQ(mutableDictionary->objectForKey("a").intValue(), 1);
}

TEST_F(GuardedOperations, WholeLiteralsAndGoodCallsReportNothing)
{
    auto reports = reportsOf([] {
        auto array = MutableArray::create({ Id(1), Id(2) });
        array->insertObject(Id(0), 0);
        array->removeObjectAtIndex(2);
        (void)array->objectAtIndex(1);
        auto dictionary = MutableDictionary::create({ { Id("k"), Id("v") } });
        dictionary->setObject(Id(3), Id("n"));
        (void)String::create("abc")->substringWithRange({ 1, 2 });
    });
    EXPECT_TRUE(reports.empty());
}

TEST_F(GuardedOperations, ReadsPastTheEndAnswerNil)
{
    auto three = Array::create({ Id(1), Id(2), Id(3) });
    Id read = Id("untouched");
    expectReported([&] { read = three->objectAtIndex(5); }, "NSRangeException",
        CrashGuard::kDefaultToReturnNil, "*** -[NSArray objectAtIndex:]: index 5 beyond bounds [0 .. 2]");
    EXPECT_TRUE(read.isNil());

    auto empty = MutableArray::create();
    read = Id("untouched");
    expectReported([&] { read = empty->objectAtIndex(0); }, "NSRangeException",
        CrashGuard::kDefaultToReturnNil,
        "*** -[NSMutableArray objectAtIndex:]: index 0 beyond bounds for empty array");
    EXPECT_TRUE(read.isNil());

    // The subscript of a handle answers nil by itself: no misuse, no report.
    EXPECT_TRUE(reportsOf([&] { read = Id(three)[5]; }).empty());
    EXPECT_TRUE(read.isNil());
}

TEST_F(GuardedOperations, FailedArrayChangesLeaveTheArrayAsItWas)
{
    auto array = MutableArray::create({ Id("a"), Id("b") });
    const char* ignore = CrashGuard::kDefaultToIgnore;
    expectReported([&] { array->insertObject(Id(), 0); }, "NSInvalidArgumentException", ignore,
        "*** -[__NSArrayM insertObject:atIndex:]: object cannot be nil");
    expectReported([&] { array->addObject(Id()); }, "NSInvalidArgumentException", ignore,
        "*** -[__NSArrayM insertObject:atIndex:]: object cannot be nil");
    expectReported([&] { array->insertObject(Id("c"), 3); }, "NSRangeException", ignore,
        "*** -[__NSArrayM insertObject:atIndex:]: index 3 beyond bounds [0 .. 2]");
    expectReported([&] { array->removeObjectAtIndex(2); }, "NSRangeException", ignore,
        "*** -[NSMutableArray removeObjectsInRange:]: index 2 beyond bounds [0 .. 1]");
    expectReported([&] { array->replaceObjectAtIndex(0, Id()); }, "NSInvalidArgumentException", ignore,
        "*** -[__NSArrayM replaceObjectAtIndex:withObject:]: object cannot be nil");
    expectReported([&] { array->replaceObjectAtIndex(7, Id("z")); }, "NSRangeException", ignore,
        "*** -[NSMutableArray replaceObjectAtIndex:withObject:]: index 7 beyond bounds [0 .. 1]");
    EXPECT_EQ(joined(*array), "a,b");
}

TEST_F(GuardedOperations, FailedDictionaryChangesLeaveTheDictionaryAsItWas)
{
    auto dictionary = MutableDictionary::create({ { Id("k"), Id("v") } });
    const char* ignore = CrashGuard::kDefaultToIgnore;
    expectReported([&] { dictionary->setObject(Id(), Id("k")); }, "NSInvalidArgumentException", ignore,
        "*** -[__NSDictionaryM setObject:forKey:]: object cannot be nil (key: k)");
    expectReported([&] { dictionary->setObject(Id("w"), Id()); }, "NSInvalidArgumentException", ignore,
        "*** -[__NSDictionaryM setObject:forKey:]: key cannot be nil");
    expectReported([&] { dictionary->removeObjectForKey(Id()); }, "NSInvalidArgumentException", ignore,
        "*** -[__NSDictionaryM removeObjectForKey:]: key cannot be nil");
    ASSERT_EQ(dictionary->count(), 1u);
    EXPECT_EQ(dictionary->objectForKey("k").stringValue(), "v");
}

TEST_F(GuardedOperations, StringReadsPastTheEndAnswerTheirDefaults)
{
    auto text = String::create("字体ab"); // four UTF-16 units
    char16_t character = u'x';
    expectReported([&] { character = text->characterAtIndex(4); }, "NSRangeException",
        CrashGuard::kDefaultToLeaveCharacter,
        "-[__NSCFString characterAtIndex:]: Range or index out of bounds");
    EXPECT_EQ(character, 0);

    // A method that answers a string answers the empty one where the platform answers nil, and
    // the report says so.
    Ref<String> part;
    expectReported([&] { part = text->substringFromIndex(5); }, "NSRangeException",
        CrashGuard::kDefaultToReturnEmptyString,
        "-[__NSCFString substringFromIndex:]: Index 5 out of bounds; string length 4");
    EXPECT_EQ(part->utf8(), "");
    expectReported([&] { part = text->substringToIndex(9); }, "NSRangeException",
        CrashGuard::kDefaultToReturnEmptyString,
        "-[__NSCFString substringToIndex:]: Index 9 out of bounds; string length 4");
    EXPECT_EQ(part->utf8(), "");
    expectReported(
        [&] {
            part = text->substringWithRange({ 3, 2 });
        },
        "NSRangeException", CrashGuard::kDefaultToReturnEmptyString,
        "-[__NSCFString substringWithRange:]: Range {3, 2} out of bounds; string length 4");
    EXPECT_EQ(part->utf8(), "");
}

TEST_F(GuardedOperations, FailedStringEditsLeaveTheStringAsItWas)
{
    auto text = MutableString::create("abc");
    const char* ignore = CrashGuard::kDefaultToIgnore;
    expectReported(
        [&] {
            text->replaceCharactersInRange({ 2, 5 }, "x");
        },
        "NSRangeException", ignore,
        "-[__NSCFString replaceCharactersInRange:withString:]: Range or index out of bounds");
    expectReported([&] { text->insertString("x", 4); }, "NSRangeException", ignore,
        "-[__NSCFString insertString:atIndex:]: Range or index out of bounds");
    expectReported(
        [&] {
            text->deleteCharactersInRange({ 3, 1 });
        },
        "NSRangeException", ignore, "-[__NSCFString deleteCharactersInRange:]: Range or index out of bounds");
    EXPECT_EQ(text->utf8(), "abc");
}

TEST_F(GuardedOperations, KeyValueCodingSetsNothingForAnUnknownKeyAndReportsOnce)
{
    auto model = std::make_shared<GuardedModel>();
    const std::string address = foundation::format("%p", static_cast<const void*>(model.get()));
    const std::string unknown = "[<GuardedModel " + address
        + "> setValue:forUndefinedKey:]: this class is not key value coding-compliant for the key colour.";
    expectReported([&] { runtime::setValueForKey(Id(model), Id("red"), "colour"); }, "NSUnknownKeyException",
        CrashGuard::kDefaultToIgnore, unknown);
    expectReported([&] { runtime::setValueForKeyPath(Id(model), Id("red"), "colour"); },
        "NSUnknownKeyException", CrashGuard::kDefaultToIgnore, unknown);

    // Each failing key is reported and the others are still set.
    auto reports = reportsOf([&] {
        runtime::setValuesForKeysWithDictionary(Id(model),
            *Dictionary::create(
                { { Id("name"), Id("Hei") }, { Id("colour"), Id("red") }, { Id("count"), Id(4) } }));
    });
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(entry(reports[0], CrashGuard::kErrorReasonKey), unknown);
    EXPECT_EQ(model->name->utf8(), "Hei");
    EXPECT_EQ(model->count, 4);

    Id value = Id("untouched");
    expectReported([&] { value = runtime::valueForKey(Id(model), "colour"); }, "NSUnknownKeyException",
        CrashGuard::kDefaultToReturnNil,
        "[<GuardedModel " + address
            + "> valueForUndefinedKey:]: this class is not key value coding-compliant for the key colour.");
    EXPECT_TRUE(value.isNil());
}

TEST_F(GuardedOperations, MisusesThePlatformLeavesUnguardedAreAnsweredToo)
{
    auto set = foundation::MutableSet::create();
    expectReported([&] { set->addObject(Id()); }, "NSInvalidArgumentException", CrashGuard::kDefaultToIgnore,
        "*** -[__NSSetM addObject:]: object cannot be nil");
    EXPECT_EQ(set->count(), 0u);

    Ref<Data> part;
    expectReported(
        [&] {
            part = Data::create(std::string_view("abc"))->subdataWithRange({ 2, 4 });
        },
        "NSRangeException", CrashGuard::kDefaultToReturnNil,
        "*** -[NSData subdataWithRange:]: range {2, 4} exceeds data length 3");
    EXPECT_EQ(part->length(), 0u);

    Ref<Data> json = Data::create(std::string_view("unset"));
    expectReported(
        [&] {
            json = foundation::JSONSerialization::dataWithJSONObject(Array::create({ Id(NAN) }), 0, nullptr);
        },
        "NSInvalidArgumentException", CrashGuard::kDefaultToReturnNil,
        "Invalid number value (NaN) in JSON write");
    EXPECT_FALSE(json);

    auto& defaults = foundation::UserDefaults::standardUserDefaults();
    const Report refused
        = onlyReportOf([&] { defaults.setObject(Id(std::make_shared<GuardedModel>()), "guardedModel"); });
    EXPECT_EQ(entry(refused, CrashGuard::kDefaultToDoKey), CrashGuard::kDefaultToIgnore);
    EXPECT_TRUE(defaults.objectForKey("guardedModel").isNil());
}
