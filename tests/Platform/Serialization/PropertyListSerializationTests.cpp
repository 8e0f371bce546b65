#include "Platform/Foundation/Foundation.h"
#include "Platform/Serialization/PropertyListCodec.h"
#include "Platform/Serialization/PropertyListSerialization.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace foundation;

namespace {

Ref<Data> bytes(std::initializer_list<int> values)
{
    std::vector<std::uint8_t> out;
    for (int v : values)
        out.push_back(static_cast<std::uint8_t>(v));
    return Data::create(std::move(out));
}

// A binary plist from a list of encoded objects (offsets computed), refs and offsets one byte wide.
Ref<Data> binaryPlist(const std::vector<std::vector<int>>& objects)
{
    std::vector<std::uint8_t> out = {'b', 'p', 'l', 'i', 's', 't', '0', '0'};
    std::vector<std::uint8_t> offsets;
    for (const auto& object : objects) {
        offsets.push_back(static_cast<std::uint8_t>(out.size()));
        for (int byte : object)
            out.push_back(static_cast<std::uint8_t>(byte));
    }
    auto table = out.size();
    out.insert(out.end(), offsets.begin(), offsets.end());
    std::vector<std::uint8_t> trailer(32, 0);
    trailer[6] = 1;
    trailer[7] = 1;
    trailer[15] = static_cast<std::uint8_t>(objects.size());
    trailer[31] = static_cast<std::uint8_t>(table);
    out.insert(out.end(), trailer.begin(), trailer.end());
    return Data::create(std::move(out));
}

Id read(const Ref<Data>& data, unsigned long options = 0, PropertyListFormat* format = nullptr, Ref<Error>* error = nullptr)
{
    return PropertyListSerialization::propertyListWithData(data, options, format, error);
}

Ref<Error> readError(const Ref<Data>& data, unsigned long options = 0)
{
    Ref<Error> error;
    EXPECT_TRUE(read(data, options, nullptr, &error).isNil());
    EXPECT_TRUE(error);
    if (error) {
        EXPECT_EQ(error->domain(), NSCocoaErrorDomain);
        EXPECT_EQ(error->code(), 3840);
    }
    return error;
}

Ref<Data> write(const Id& plist, PropertyListFormat format)
{
    Ref<Error> error;
    auto data = PropertyListSerialization::dataWithPropertyList(plist, format, 0, &error);
    EXPECT_TRUE(data) << (error ? error->description() : "");
    return data;
}

Ref<Dictionary> sample(double date)
{
    return Dictionary::create({
        {Id("negative"), Id(-1)},
        {Id("min"), Id(std::numeric_limits<long long>::min())},
        {Id("max"), Id(std::numeric_limits<long long>::max())},
        {Id("unsigned"), Id(std::numeric_limits<unsigned long long>::max())},
        {Id("widths"), Id(Array::create({Id(0), Id(255), Id(256), Id(65536), Id(4294967296LL)}))},
        {Id("real"), Id(0.1)},
        {Id("huge"), Id(1.7976931348623157e308)},
        {Id("yes"), Id(true)},
        {Id("no"), Id(false)},
        {Id("date"), Id(Date::dateWithTimeIntervalSinceReferenceDate(date))},
        {Id("empty-data"), Id(Data::create())},
        {Id("data"), Id(Data::create(std::string(100, '\x7f')))},
        {Id("text"), Id("字体 & <fonts> 😀")},
        {Id(""), Id("")},
        {Id("nested"), Id(Array::create({Id(Dictionary::create()), Id(Array::create())}))},
    });
}

void expectKinds(const Id& back)
{
    EXPECT_EQ(back["unsigned"].number()->kind(), NumberKind::UnsignedLongLong);
    EXPECT_EQ(back["negative"].number()->kind(), NumberKind::LongLong);
    EXPECT_EQ(back["yes"].number()->kind(), NumberKind::Bool);
    EXPECT_TRUE(back["real"].number()->isReal());
    EXPECT_TRUE(back["date"].is<Date>());
    EXPECT_TRUE(back["data"].is<Data>());
}

} // namespace

TEST(PropertyListRoundTrip, BinaryKeepsEveryValueExactly)
{
    auto original = sample(-1234567.890625e3);
    PropertyListFormat format {};
    Id back = read(write(original, PropertyListBinaryFormat_v1_0), 0, &format);
    EXPECT_EQ(format, PropertyListBinaryFormat_v1_0);
    EXPECT_TRUE(back.isEqual(original)) << back.description();
    expectKinds(back);
    EXPECT_EQ(back["date"].as<Date>()->timeIntervalSinceReferenceDate(), -1234567.890625e3);
    EXPECT_EQ(back["unsigned"].unsignedLongLongValue(), std::numeric_limits<unsigned long long>::max());
    EXPECT_EQ(back["min"].integerValue(), std::numeric_limits<long long>::min());
}

TEST(PropertyListRoundTrip, XMLKeepsEveryValueWithWholeSecondDates)
{
    auto original = sample(-86400.0 * 365 * 40 + 7); // 1961, before the Unix epoch
    PropertyListFormat format {};
    Id back = read(write(original, PropertyListXMLFormat_v1_0), 0, &format);
    EXPECT_EQ(format, PropertyListXMLFormat_v1_0);
    EXPECT_TRUE(back.isEqual(original)) << back.description();
    expectKinds(back);
}

TEST(PropertyListRoundTrip, LongContainersAndFloatsKeepTheirShape)
{
    std::vector<Id> many;
    for (int i = 0; i < 300; ++i)
        many.push_back(Id("item " + std::to_string(i % 20)));
    auto original = Array::create({Id(Array::create(many)), Id(0.5f), Id(std::string(20, 'x'))});
    for (auto format : {PropertyListBinaryFormat_v1_0, PropertyListXMLFormat_v1_0}) {
        Id back = read(write(original, format));
        EXPECT_TRUE(back.isEqual(original)) << format;
        EXPECT_EQ(back[0].count(), 300u);
    }
}

TEST(PropertyListWriting, XMLHasThePlatformLayout)
{
    auto plist = Dictionary::create({
        {Id("name"), Id("A&B")},
        {Id("count"), Id(-3)},
        {Id("ratio"), Id(0.1)},
        {Id("on"), Id(true)},
        {Id("list"), Id(Array::create({Id(1)}))},
        {Id("none"), Id(Array::create())},
        {Id("bytes"), Id(Data::create(std::string("\x00\x01\x02", 3)))},
        {Id("when"), Id(Date::dateWithTimeIntervalSince1970(1796763658.75))},
    });
    auto data = write(plist, PropertyListXMLFormat_v1_0);
    EXPECT_EQ(std::string(data->view()),
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" \"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
        "<plist version=\"1.0\">\n"
        "<dict>\n"
        "\t<key>name</key>\n\t<string>A&amp;B</string>\n"
        "\t<key>count</key>\n\t<integer>-3</integer>\n"
        "\t<key>ratio</key>\n\t<real>0.10000000000000001</real>\n"
        "\t<key>on</key>\n\t<true/>\n"
        "\t<key>list</key>\n\t<array>\n\t\t<integer>1</integer>\n\t</array>\n"
        "\t<key>none</key>\n\t<array/>\n"
        "\t<key>bytes</key>\n\t<data>\n\tAAEC\n\t</data>\n"
        "\t<key>when</key>\n\t<date>2026-12-08T21:00:58Z</date>\n"
        "</dict>\n"
        "</plist>\n");
}

TEST(PropertyListWriting, BinaryBytesAreCanonical)
{
    auto data = write(Dictionary::create({{Id("a"), Id(1)}}), PropertyListBinaryFormat_v1_0);
    auto expected = bytes({'b', 'p', 'l', 'i', 's', 't', '0', '0', 0xD1, 0x01, 0x02, 0x51, 'a', 0x10, 0x01, 0x08, 0x0B,
        0x0D, 0, 0, 0, 0, 0, 0, 1, 1, 0, 0, 0, 0, 0, 0, 0, 3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x0F});
    EXPECT_TRUE(data->isEqual(*expected)) << data->description();
}

TEST(PropertyListWriting, InvalidObjectsAndFormatsGiveErrors)
{
    Ref<Error> error;
    EXPECT_FALSE(PropertyListSerialization::dataWithPropertyList(Array::create({Null::null()}), PropertyListXMLFormat_v1_0, 0, &error));
    ASSERT_TRUE(error);
    EXPECT_EQ(error->code(), 3852);
    EXPECT_EQ(error->objectForUserInfoKey(NSDebugDescriptionErrorKey).stringValue(),
        "Property list invalid for format: 100 (property lists cannot contain objects of type 'NSNull')");
    EXPECT_FALSE(PropertyListSerialization::dataWithPropertyList(Dictionary::create({{Id(1), Id(2)}}), PropertyListBinaryFormat_v1_0, 0, &error));
    EXPECT_EQ(error->code(), 3852);
    EXPECT_FALSE(PropertyListSerialization::dataWithPropertyList(Array::create(), PropertyListOpenStepFormat, 0, &error));
    EXPECT_EQ(error->code(), 3851);
    EXPECT_FALSE(PropertyListSerialization::propertyListIsValidForFormat(Id(), PropertyListXMLFormat_v1_0));
    EXPECT_TRUE(PropertyListSerialization::propertyListIsValidForFormat(Id("a"), PropertyListBinaryFormat_v1_0));

    // XML cannot carry most control characters; binary can.
    auto control = Array::create({Id("bell\x07")});
    EXPECT_FALSE(PropertyListSerialization::dataWithPropertyList(control, PropertyListXMLFormat_v1_0, 0, &error));
    EXPECT_EQ(error->code(), 3852);
    EXPECT_TRUE(read(write(control, PropertyListBinaryFormat_v1_0)).isEqual(control));
    EXPECT_TRUE(read(write(Array::create({Id("tab\tline\r\n")}), PropertyListXMLFormat_v1_0))[0].isEqual(Id("tab\tline\r\n")));

    auto loop = MutableArray::create();
    loop->addObject(loop);
    EXPECT_FALSE(PropertyListSerialization::dataWithPropertyList(loop, PropertyListBinaryFormat_v1_0, 0, &error));
    loop->removeAllObjects();
}

TEST(PropertyListReading, MutabilityFollowsTheOptions)
{
    auto data = write(Dictionary::create({{Id("list"), Id(Array::create({Id("s"), Id(Data::create())}))}}),
        PropertyListBinaryFormat_v1_0);
    Id plain = read(data);
    EXPECT_FALSE(plain.is<MutableDictionary>());
    Id containers = read(data, PropertyListMutableContainers);
    EXPECT_TRUE(containers.is<MutableDictionary>());
    EXPECT_TRUE(containers["list"].is<MutableArray>());
    EXPECT_FALSE(containers["list"][0].is<MutableString>());
    Id leaves = read(data, PropertyListMutableContainersAndLeaves);
    EXPECT_TRUE(leaves["list"][0].is<MutableString>());
    EXPECT_TRUE(leaves["list"][1].is<MutableData>());
    EXPECT_FALSE(leaves.dictionary()->allKeys()->objectAtIndex(0).is<MutableString>());
}

TEST(PropertyListReading, XMLFromOtherWritersIsAccepted)
{
    auto data = Data::create("<?xml version=\"1.0\"?>\n<plist version=\"1.0\"><dict>\n <key>n</key> <integer> 42 </integer>"
                             "<key>u</key><integer>18446744073709551615</integer>"
                             "<key>r</key><real>-2.5e3</real><key>d</key><data>\n  AA\nEC\n</data>"
                             "<key>t</key><date>2000-02-29T12:00:00Z</date></dict></plist>");
    Id plist = read(data);
    ASSERT_TRUE(plist.is<Dictionary>());
    EXPECT_EQ(plist["n"].integerValue(), 42);
    EXPECT_EQ(plist["u"].number()->kind(), NumberKind::UnsignedLongLong);
    EXPECT_EQ(plist["r"].doubleValue(), -2500.0);
    EXPECT_EQ(plist["d"].as<Data>()->length(), 3u);
    EXPECT_EQ(plist["t"].as<Date>()->timeIntervalSince1970(), 951825600.0);
}

TEST(PropertyListReading, MalformedInputGivesErrors)
{
    const char* xml[] = {"", "<plist><dict><key>a</key></dict></plist>", "<plist><dict><string>a</string><string>b</string></dict></plist>",
        "<plist><integer>12x</integer></plist>", "<plist><integer>99999999999999999999999</integer></plist>",
        "<plist><date>2001-13-01T00:00:00Z</date></plist>", "<plist><data>***</data></plist>", "<plist><blob/></plist>",
        "<plist></plist>", "<plist><array><string>a</array></plist>", "{ a = b; }"};
    for (const char* text : xml)
        EXPECT_TRUE(readError(Data::create(text))) << text;

    auto good = write(sample(0), PropertyListBinaryFormat_v1_0);
    for (std::size_t cut : {good->length() - 1, good->length() - 32, std::size_t(20), std::size_t(8)})
        readError(good->subdataWithRange({0, cut}));
    auto corrupt = MutableData::create(good->span());
    corrupt->mutableBytes()[corrupt->length() - 9] = 0xFF; // the offset table now lies past the end
    readError(corrupt);
}

TEST(PropertyListReading, HostileBinaryStructuresAreRejected)
{
    // An array that contains itself.
    readError(binaryPlist({{0xA1, 0x00}}));
    // A reference to an object that does not exist.
    readError(binaryPlist({{0xA1, 0x05}}));
    // A string longer than the file.
    readError(binaryPlist({{0x5F, 0x10, 0xFF, 'a'}}));
    // An integer wider than 64 bits.
    readError(binaryPlist({{0x14, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}}));
}

TEST(PropertyListReading, SharedSubtreesDoNotMultiply)
{
    // Thirty levels of arrays holding the next level twice: 2^30 leaves if expanded naively.
    std::vector<std::vector<int>> objects;
    for (int i = 0; i < 30; ++i)
        objects.push_back({0xA2, i + 1, i + 1});
    objects.push_back({0x10, 0x07});
    Id shared = read(binaryPlist(objects));
    ASSERT_TRUE(shared.is<Array>());
    EXPECT_EQ(shared[0].get(), shared[1].get()); // immutable subtrees are shared
    readError(binaryPlist(objects), PropertyListMutableContainers);
}

TEST(PropertyListDates, XMLTextForms)
{
    EXPECT_EQ(plist::formatDate(0), "2001-01-01T00:00:00Z");
    EXPECT_EQ(plist::formatDate(-0.5), "2000-12-31T23:59:59Z");
    EXPECT_EQ(plist::formatDate(-978307200.0 - 86400), "1969-12-31T00:00:00Z");
    EXPECT_EQ(plist::formatDate(1e300), "9999-12-31T23:59:59Z");
    EXPECT_EQ(plist::parseDate("2024-02-29T23:59:59Z"), 1709251199.0 - 978307200.0);
    EXPECT_FALSE(plist::parseDate("2024-02-29 23:59:59"));
}
