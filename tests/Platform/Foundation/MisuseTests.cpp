// The misuse hook on its own: literals with nils when nothing listens, a handler that declines,
// and the older two-argument guards handed back and installed again.

#include "Platform/Foundation/Foundation.h"

#include <gtest/gtest.h>

using namespace foundation;

namespace {

struct Seen {
    std::string name;
    std::string reason;
    MisuseDefault instead;
    const Class* unrecognizedBy;
};

// Records what reaches it and answers `takeOver`.
MisuseHandler recordingHandler(std::vector<Seen>& seen, bool takeOver)
{
    return [&seen, takeOver](const MisuseReport& report) {
        seen.push_back(
            { std::string(report.name), std::string(report.reason), report.instead, report.unrecognizedBy });
        return takeOver;
    };
}

// Whatever a test installs is gone when it ends.
class MisuseHook : public testing::Test {
protected:
    void SetUp() override { ASSERT_FALSE(misuseGuardInstalled()); }
    void TearDown() override { setMisuseHandler({}); }

    std::vector<Seen> seen;
};

const char* const kNilObjectInDictionary
    = "*** -[__NSDictionaryM setObject:forKey:]: object cannot be nil (key: b)";

} // namespace

TEST_F(MisuseHook, WithoutAGuardLiteralsKeepWhatTheyAlwaysDidWithNils)
{
    // Arrays and dictionaries leave nil entries out, silently.
    EXPECT_EQ(Array::create({ Id(), Id(1), Id(), Id(3) })->componentsJoinedByString(","), "1,3");
    EXPECT_EQ(MutableArray::create({ Id("a"), Id() })->componentsJoinedByString(","), "a");
    auto dictionary = Dictionary::create({ { Id("a"), Id() }, { Id(), Id(1) }, { Id("c"), Id(2) } });
    EXPECT_EQ(dictionary->count(), 1u);
    EXPECT_EQ(dictionary->objectForKey("c").integerValue(), 2);

    // A mutable dictionary raises from setObject, for a nil value or key, wherever it is.
    try {
        MutableDictionary::create({ { Id("a"), Id(1) }, { Id("b"), Id() } });
        ADD_FAILURE() << "no exception";
    } catch (const Exception& exception) {
        EXPECT_EQ(exception.name(), NSInvalidArgumentException);
        EXPECT_EQ(exception.reason(), kNilObjectInDictionary);
    }
    EXPECT_THROW(MutableDictionary::create({ { Id(), Id(1) } }), Exception);
}

TEST_F(MisuseHook, AHandlerThatDeclinesLeavesTheMisuseRaisingAsWithoutOne)
{
    setMisuseHandler(recordingHandler(seen, false));
    auto array = MutableArray::create({ Id(1) });
    EXPECT_THROW(array->objectAtIndex(4), Exception);
    EXPECT_THROW(array->insertObject(Id(), 0), Exception);
    try {
        unrecognizedSelector(*array, "fontName");
        ADD_FAILURE() << "no exception";
    } catch (const Exception& exception) {
        EXPECT_EQ(exception.name(), NSInvalidArgumentException);
    }
    // Literals it declines are what they are without a guard.
    EXPECT_EQ(Array::create({ Id(), Id(2) })->count(), 1u);
    try {
        MutableDictionary::create({ { Id("a"), Id(1) }, { Id("b"), Id() } });
        ADD_FAILURE() << "no exception";
    } catch (const Exception& exception) {
        EXPECT_EQ(exception.reason(), kNilObjectInDictionary);
    }
    EXPECT_EQ(array->count(), 1u);

    // The handler saw each misuse with what the operation would have done instead.
    ASSERT_EQ(seen.size(), 6u);
    EXPECT_EQ(seen[0].reason, "*** -[NSMutableArray objectAtIndex:]: index 4 beyond bounds [0 .. 0]");
    EXPECT_EQ(seen[0].instead, MisuseDefault::ReturnNil);
    EXPECT_EQ(seen[1].instead, MisuseDefault::Ignore);
    EXPECT_EQ(seen[2].unrecognizedBy, MutableArray::classObject());
    EXPECT_EQ(seen[3].instead, MisuseDefault::RebuiltArray);
    // The dictionary literal first, then setObject's own misuse, which raised.
    EXPECT_EQ(seen[4].instead, MisuseDefault::RebuiltDictionary);
    EXPECT_EQ(seen[5].reason, kNilObjectInDictionary);
    for (std::size_t i : { 0u, 1u, 3u, 4u, 5u })
        EXPECT_EQ(seen[i].unrecognizedBy, nullptr) << i;
}

TEST_F(MisuseHook, AHandlerThatTakesOverGetsItsDefaultsAndTheLiteralsRebuilt)
{
    setMisuseHandler(recordingHandler(seen, true));
    EXPECT_TRUE(MutableArray::create()->objectAtIndex(0).isNil());
    auto dictionary = MutableDictionary::create({ { Id("a"), Id(1) }, { Id("b"), Id() }, { Id(), Id(3) } });
    EXPECT_EQ(Id(dictionary).description(), "{\n    a = 1;\n}");
    ASSERT_EQ(seen.size(), 2u) << "one report for the whole literal";
    EXPECT_EQ(seen[1].reason,
        "*** -[__NSPlaceholderDictionary initWithObjects:forKeys:count:]: attempt to insert nil object from "
        "objects[1]");
}

TEST_F(MisuseHook, AnOlderGuardMakesTheRoundTripAndServesAsAHandler)
{
    std::vector<std::string> first;
    setMisuseGuard([&first](const std::string& name, const std::string&) { first.push_back(name); });
    MisuseGuard handedBack = setMisuseGuard([](const std::string&, const std::string&) {});
    ASSERT_TRUE(handedBack);
    setMisuseGuard(handedBack);
    EXPECT_TRUE(Array::create()->objectAtIndex(1).isNil());
    EXPECT_EQ(first, std::vector<std::string> { std::string(NSRangeException) });

    // As a handler, it takes every misuse over.
    MisuseHandler asHandler = setMisuseHandler({});
    ASSERT_TRUE(asHandler);
    EXPECT_TRUE(asHandler(MisuseReport { "Name", "reason" }));
    EXPECT_EQ(first.back(), "Name");
}

TEST_F(MisuseHook, AHandlerHandedBackAsAnOlderGuardComesBackWhole)
{
    setMisuseHandler(recordingHandler(seen, false));
    // Code that knows only the older form swaps in its own guard and puts the previous one back.
    MisuseGuard previous = setMisuseGuard([](const std::string&, const std::string&) {});
    ASSERT_TRUE(previous);
    previous("Name", "called through the older form");
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].name, "Name");
    EXPECT_EQ(seen[0].reason, "called through the older form");
    setMisuseGuard(previous);

    // The handler is back as it was: it hears what the operation would do, and may still decline.
    EXPECT_THROW(MutableArray::create()->objectAtIndex(2), Exception);
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[1].instead, MisuseDefault::ReturnNil);
}
