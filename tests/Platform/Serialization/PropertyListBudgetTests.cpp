// The reading budget of property lists: shared references that fan out, counted element by element
// and byte by byte. The inputs that would need gigabytes without the budget run in a child process
// with a memory limit, so a regression fails the test and not the machine.
#include "Platform/Foundation/Foundation.h"
#include "Platform/Serialization/PropertyListSerialization.h"
#include "Support/LimitedChild.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace foundation;

namespace {

// A binary property list built object by object; references and offsets take `refSize` and four
// bytes, the first object is the root.
class BinaryPlist {
public:
    explicit BinaryPlist(std::size_t refSize)
        : refSize_(refSize)
    {
    }

    std::size_t add(std::string encoded)
    {
        objects_.push_back(std::move(encoded));
        return objects_.size() - 1;
    }

    // A marker with its count: in the low nibble, or in an integer object after it.
    static std::string header(std::uint8_t marker, std::size_t count)
    {
        if (count < 15)
            return std::string(1, static_cast<char>(marker | count));
        return std::string{static_cast<char>(marker | 0x0F), '\x12'} + bigEndian(count, 4);
    }

    std::string refs(std::size_t target, std::size_t times) const
    {
        std::string out;
        for (std::size_t i = 0; i < times; ++i)
            out += bigEndian(target, refSize_);
        return out;
    }

    Ref<Data> data() const
    {
        std::string out = "bplist00";
        std::string table;
        for (const std::string& object : objects_) {
            table += bigEndian(out.size(), 4);
            out += object;
        }
        const std::size_t tableOffset = out.size();
        out += table;
        out += std::string(6, '\0');
        out += static_cast<char>(4);
        out += static_cast<char>(refSize_);
        out += bigEndian(objects_.size(), 8) + bigEndian(0, 8) + bigEndian(tableOffset, 8);
        return Data::create(std::vector<std::uint8_t>(out.begin(), out.end()));
    }

private:
    static std::string bigEndian(std::uint64_t value, std::size_t size)
    {
        std::string out;
        for (std::size_t i = size; i-- > 0;)
            out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
        return out;
    }

    std::size_t refSize_;
    std::vector<std::string> objects_;
};

// An array of `outer` references to one array of `inner` references to `leaf`.
Ref<Data> fanOut(std::size_t outer, std::size_t inner, const std::string& leaf)
{
    BinaryPlist plist(2);
    plist.add(BinaryPlist::header(0xA0, outer) + plist.refs(1, outer));
    plist.add(BinaryPlist::header(0xA0, inner) + plist.refs(2, inner));
    plist.add(BinaryPlist::header(0x50, leaf.size()) + leaf);
    return plist.data();
}

std::string plistDebugDescription(const Ref<Error>& error)
{
    return error ? error->objectForUserInfoKey(NSDebugDescriptionErrorKey).stringValue() : std::string();
}

const std::string kTooManyElements = "Property list has more elements than the read allows";
const std::string kTooManyBytes = "Property list has more string and data bytes than the read allows";

// The read's outcome as a child's exit code: 0 for nil with the reader's error and `detail`,
// 1 for a property list, 2 for any other error.
int readInChild(const Ref<Data>& data, unsigned long options, const std::string& detail)
{
    testsupport::ChildOutcome outcome = testsupport::runLimited({0, 512u << 20}, [&] {
        Ref<Error> error;
        Id plist = PropertyListSerialization::propertyListWithData(data, options, nullptr, &error);
        if (plist)
            return 1;
        return error && error->code() == 3840 && plistDebugDescription(error) == detail ? 0 : 2;
    });
    EXPECT_TRUE(outcome.exited) << outcome.describe();
    return outcome.exitCode;
}

} // namespace

TEST(PropertyListBudget, SharedContainersReadMutableFailOnceTheirCopiesOutgrowTheInput)
{
    // 4 KB naming a million elements when every reference becomes a copy.
    Ref<Data> data = fanOut(1000, 1000, "x");
    Ref<Error> error;
    EXPECT_TRUE(PropertyListSerialization::propertyListWithData(data, PropertyListMutableContainers, nullptr, &error)
                    .isNil());
    ASSERT_TRUE(error);
    EXPECT_EQ(error->domain(), NSCocoaErrorDomain);
    EXPECT_EQ(error->code(), 3840);
    EXPECT_EQ(plistDebugDescription(error), kTooManyElements);

    // Read immutable, the inner array is one shared object: 2,000 references, well within.
    Id shared = PropertyListSerialization::propertyListWithData(data, PropertyListImmutable);
    ASSERT_TRUE(shared.is<Array>());
    EXPECT_EQ(shared.ptr<Array>()->count(), 1000u);
    EXPECT_EQ(shared[0].get(), shared[999].get());
}

TEST(PropertyListBudget, InputsThatWouldNeedGigabytesFailWithTheReadersError)
{
    if (!testsupport::memoryLimitApplies())
        GTEST_SKIP() << "the sanitizers' address space leaves no memory limit to guard a regression";
    // 40 KB: 100 million elements read with mutable containers.
    EXPECT_EQ(readInChild(fanOut(10000, 10000, "x"), PropertyListMutableContainers, kTooManyElements), 0);
    // 125 KB: one 64 KiB string referenced 60,000 times, each reference a mutable copy.
    EXPECT_EQ(readInChild(fanOut(60000, 1, std::string(64 * 1024, 's')), PropertyListMutableContainersAndLeaves,
                          kTooManyBytes),
              0);
}

TEST(PropertyListBudget, EveryReferenceAndEveryCopiedByteCounts)
{
    // [s, s, s] with s = "ab", one shared string: four elements; two bytes when the string is
    // shared, six when each reference copies it.
    BinaryPlist plist(1);
    plist.add(BinaryPlist::header(0xA0, 3) + plist.refs(1, 3));
    plist.add(BinaryPlist::header(0x50, 2) + "ab");
    Ref<Data> binary = plist.data();
    Ref<Data> xml = Data::create("<plist><array><string>ab</string><string>ab</string><string>ab</string></array></plist>");

    auto fits = [](const Ref<Data>& data, unsigned long options, PropertyListReadBudget budget) {
        Ref<Error> error;
        Id value = PropertyListSerialization::propertyListWithData(data, options, nullptr, &error, budget);
        if (!value) {
            EXPECT_TRUE(error) << "a refused read reports why";
            EXPECT_EQ(error ? error->code() : 0, 3840);
        }
        return !value.isNil();
    };
    EXPECT_TRUE(fits(binary, PropertyListImmutable, {4, 2}));
    EXPECT_FALSE(fits(binary, PropertyListImmutable, {3, 2}));
    EXPECT_FALSE(fits(binary, PropertyListImmutable, {4, 1}));
    EXPECT_TRUE(fits(binary, PropertyListMutableContainersAndLeaves, {4, 6}));
    EXPECT_FALSE(fits(binary, PropertyListMutableContainersAndLeaves, {4, 5}));
    for (unsigned long options : {PropertyListImmutable, PropertyListMutableContainersAndLeaves}) {
        EXPECT_TRUE(fits(xml, options, {4, 6}));
        EXPECT_FALSE(fits(xml, options, {3, 6}));
        EXPECT_FALSE(fits(xml, options, {4, 5}));
    }

    // Dictionary keys are elements too, and so are their bytes.
    Ref<Data> dictionary = Data::create("<plist><dict><key>key</key><data>AAEC</data></dict></plist>");
    EXPECT_TRUE(fits(dictionary, PropertyListImmutable, {3, 6}));
    EXPECT_FALSE(fits(dictionary, PropertyListImmutable, {2, 6}));
    EXPECT_FALSE(fits(dictionary, PropertyListImmutable, {3, 5}));
}

TEST(PropertyListBudget, TreeReadersAreMeasuredReferenceByReferenceWithoutBuilding)
{
    // [s, s, s] with s = "ab": a reader that copies every reference builds four nodes and six bytes.
    BinaryPlist flat(1);
    flat.add(BinaryPlist::header(0xA0, 3) + flat.refs(1, 3));
    flat.add(BinaryPlist::header(0x50, 2) + "ab");
    // Two references to such an array: 1 + 2 x 4 nodes, twelve bytes.
    BinaryPlist nested(1);
    nested.add(BinaryPlist::header(0xA0, 2) + nested.refs(1, 2));
    nested.add(BinaryPlist::header(0xA0, 3) + nested.refs(2, 3));
    nested.add(BinaryPlist::header(0x50, 2) + "ab");
    // An array that holds itself.
    BinaryPlist loop(1);
    loop.add(BinaryPlist::header(0xA0, 1) + loop.refs(0, 1));

    auto fits = [](const Ref<Data>& data, PropertyListReadBudget budget) {
        Ref<Error> error;
        const bool within = PropertyListSerialization::unfoldsWithinBudget(data->view(), budget, &error);
        EXPECT_EQ(within, error == nullptr);
        return within;
    };
    EXPECT_TRUE(fits(flat.data(), {4, 6}));
    EXPECT_FALSE(fits(flat.data(), {3, 6}));
    EXPECT_FALSE(fits(flat.data(), {4, 5}));
    EXPECT_TRUE(fits(nested.data(), {9, 12}));
    EXPECT_FALSE(fits(nested.data(), {8, 12}));
    EXPECT_FALSE(fits(nested.data(), {9, 11}));
    EXPECT_FALSE(fits(loop.data(), {1000, 1000}));
    EXPECT_TRUE(PropertyListSerialization::unfoldsWithinBudget("<plist><array><string>ab</string></array></plist>", {0, 0}))
        << "XML shares nothing";

    // 40 KB naming 100 million nodes: refused by the default budget with the reader's error.
    Ref<Data> huge = fanOut(10000, 10000, "x");
    Ref<Error> error;
    EXPECT_FALSE(PropertyListSerialization::unfoldsWithinBudget(
        huge->view(), PropertyListReadBudget::forInputSize(huge->length()), &error));
    ASSERT_TRUE(error);
    EXPECT_EQ(error->code(), 3840);
    EXPECT_EQ(plistDebugDescription(error), kTooManyElements);
}

TEST(PropertyListBudget, DefaultBudgetTakesLargeOrdinaryPropertyLists)
{
    // Records that share their keys, as state files and catalogue replies do.
    std::vector<Id> records;
    for (int i = 0; i < 5000; ++i) {
        records.push_back(Dictionary::create({
            {Id("postscript_name"), Id("Family" + std::to_string(i) + "-Regular")},
            {Id("family_name"), Id("Family " + std::to_string(i))},
            {Id("downloaded"), Id(i % 2 == 0)},
            {Id("size"), Id(static_cast<long long>(i) * 1000)},
        }));
    }
    Id list = Array::create(std::move(records));
    for (PropertyListFormat format : {PropertyListBinaryFormat_v1_0, PropertyListXMLFormat_v1_0}) {
        Ref<Data> data = PropertyListSerialization::dataWithPropertyList(list, format);
        ASSERT_TRUE(data);
        Ref<Error> error;
        Id back = PropertyListSerialization::propertyListWithData(data, PropertyListMutableContainersAndLeaves,
                                                                  nullptr, &error);
        EXPECT_TRUE(back.isEqual(list)) << plistDebugDescription(error);
    }
}
