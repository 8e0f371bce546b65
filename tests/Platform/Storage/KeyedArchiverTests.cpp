#include "Platform/Storage/KeyedArchiver.h"
#include "Support/TempHome.h"
#include "TestCoding.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <plist/plist.h>

using namespace foundation;
using storagetests::KXTestRecord;

namespace {

struct PlistFree {
    void operator()(plist_t node) const { plist_free(node); }
};
using Tree = std::unique_ptr<void, PlistFree>;

Tree parse(const Data& data)
{
    plist_t root = nullptr;
    plist_from_bin(reinterpret_cast<const char*>(data.bytes()), static_cast<uint32_t>(data.length()), &root);
    return Tree(root);
}

std::string text(plist_t node)
{
    char* value = nullptr;
    plist_get_string_val(node, &value);
    std::string out = value ? value : "";
    std::free(value);
    return out;
}

std::uint64_t uid(plist_t node)
{
    std::uint64_t value = 0;
    plist_get_uid_val(node, &value);
    return value;
}

Id roundTrip(const Id& object)
{
    Ref<Error> error;
    Id decoded = KeyedUnarchiver::unarchiveObjectWithData(
        *KeyedArchiver::archivedDataWithRootObject(object), &error);
    EXPECT_FALSE(error) << (error ? error->description() : "");
    return decoded;
}

} // namespace

TEST(KeyedArchiverLayout, ThePlatformsTopLevelKeysAndClassDescriptions)
{
    auto record = MutableDictionary::create({ { Id("token"), Id("abc") } });
    KeyedArchiver archiver;
    archiver.encodeObject(record, "listData");
    Ref<Data> data = archiver.encodedData();
    ASSERT_TRUE(data);
    EXPECT_EQ(data->view().substr(0, 8), "bplist00");
    Tree root = parse(*data);
    ASSERT_TRUE(root);
    EXPECT_EQ(text(plist_dict_get_item(root.get(), "$archiver")), "NSKeyedArchiver");
    std::uint64_t version = 0;
    plist_get_uint_val(plist_dict_get_item(root.get(), "$version"), &version);
    EXPECT_EQ(version, 100000u);
    plist_t objects = plist_dict_get_item(root.get(), "$objects");
    EXPECT_EQ(text(plist_array_get_item(objects, 0)), "$null");
    plist_t top = plist_dict_get_item(root.get(), "$top");
    ASSERT_EQ(plist_dict_get_size(top), 1u);
    plist_t dictionary
        = plist_array_get_item(objects, static_cast<uint32_t>(uid(plist_dict_get_item(top, "listData"))));
    plist_t keys = plist_dict_get_item(dictionary, "NS.keys");
    EXPECT_EQ(text(plist_array_get_item(objects, static_cast<uint32_t>(uid(plist_array_get_item(keys, 0))))),
        "token");
    plist_t cls = plist_array_get_item(
        objects, static_cast<uint32_t>(uid(plist_dict_get_item(dictionary, "$class"))));
    EXPECT_EQ(text(plist_dict_get_item(cls, "$classname")), "NSMutableDictionary");
    plist_t chain = plist_dict_get_item(cls, "$classes");
    ASSERT_EQ(plist_array_get_size(chain), 3u);
    EXPECT_EQ(text(plist_array_get_item(chain, 1)), "NSDictionary");
    EXPECT_EQ(text(plist_array_get_item(chain, 2)), "NSObject");
}

TEST(KeyedArchiverValues, ValuesRoundTripWithTheirKinds)
{
    auto bytes = Data::create(std::string_view("\0\xff\x01", 3));
    auto date = Date::dateWithTimeIntervalSince1970(-12345.25);
    auto original = Dictionary::create({
        { Id("text"), Id("字体 Hei") },
        { Id("empty"), Id("") },
        { Id("negative"), Id(-5LL) },
        { Id("big"), Id(1LL << 62) },
        { Id("real"), Id(0.1) },
        { Id("flag"), Id(true) },
        { Id("bytes"), Id(bytes) },
        { Id("date"), Id(date) },
        { Id("null"), Id(Null::null()) },
        { Id("list"), Id(Array::create({ Id(1), Id(Array::create({ Id("deep") })) })) },
    });
    Id decoded = roundTrip(original);
    ASSERT_TRUE(decoded.is<Dictionary>());
    EXPECT_TRUE(decoded.isEqual(original)) << decoded.description();
    EXPECT_FALSE(decoded.is<MutableDictionary>());
    EXPECT_TRUE(decoded["flag"].number()->isBoolean());
    EXPECT_TRUE(decoded["real"].number()->isReal());
    EXPECT_EQ(decoded["date"].as<Date>()->timeIntervalSince1970(), -12345.25);
    EXPECT_EQ(decoded["empty"].stringValue(), "");
    EXPECT_TRUE(decoded["null"].isNull());
}

TEST(KeyedArchiverValues, TextWithAZeroByteKeepsEveryByte)
{
    std::string_view text("a\0b", 3);
    Id decoded = roundTrip(Array::create({ Id(String::create(text)), Id(MutableString::create(text)) }));
    EXPECT_EQ(decoded[0].stringValue(), text);
    EXPECT_FALSE(decoded[0].is<MutableString>());
    EXPECT_EQ(decoded[1].stringValue(), text);
    EXPECT_TRUE(decoded[1].is<MutableString>());
}

TEST(KeyedArchiverValues, MutableKindsStayMutable)
{
    auto list = MutableArray::create({ Id(MutableString::create("a")), Id(MutableData::create()) });
    auto set = MutableSet::create({ Id(1), Id(2) });
    Id decoded = roundTrip(Array::create({ Id(list), Id(set) }));
    EXPECT_TRUE(decoded[0].is<MutableArray>());
    EXPECT_TRUE(decoded[0][0].is<MutableString>());
    EXPECT_EQ(decoded[0][0].stringValue(), "a");
    EXPECT_TRUE(decoded[0][1].is<MutableData>());
    ASSERT_TRUE(decoded[1].is<MutableSet>());
    EXPECT_EQ(decoded[1].as<Set>()->count(), 2u);
}

TEST(KeyedArchiverValues, AnObjectMetTwiceIsWrittenOnceAndSharedAgain)
{
    auto shared = MutableArray::create({ Id("x") });
    Id decoded = roundTrip(Array::create({ Id(shared), Id(shared) }));
    ASSERT_EQ(decoded.count(), 2u);
    EXPECT_EQ(decoded[0].get(), decoded[1].get());
}

TEST(KeyedArchiverValues, URLsKeepTheirBase)
{
    auto base = URL::URLWithString("https://example.invalid/fonts/");
    auto relative = URL::URLWithString("list?page=2", base);
    ASSERT_TRUE(relative);
    Id decoded = roundTrip(Array::create({ Id(relative), Id(base) }));
    auto url = decoded[0].as<URL>();
    ASSERT_TRUE(url);
    EXPECT_EQ(url->absoluteString(), "https://example.invalid/fonts/list?page=2");
    EXPECT_EQ(url->relativeString(), "list?page=2");
    EXPECT_EQ(url->baseURL().get(), decoded[1].get());
}

TEST(KeyedArchiverValues, ErrorsKeepDomainCodeAndUserInfo)
{
    auto error = Error::create("KXHTTPError", -1001, "超时");
    Id decoded = roundTrip(error);
    ASSERT_TRUE(decoded.is<Error>());
    EXPECT_EQ(decoded.as<Error>()->code(), -1001);
    EXPECT_EQ(decoded.as<Error>()->domain(), "KXHTTPError");
    EXPECT_EQ(decoded.as<Error>()->localizedDescription(), "超时");
}

TEST(KeyedArchiverCoding, ObjectsEncodeThemselvesByKey)
{
    KXTestRecord::classObject();
    auto record = std::make_shared<KXTestRecord>();
    record->name = String::create("Song");
    record->fontid = -42;
    record->vip = true;
    record->score = 4.5;
    record->child = std::make_shared<KXTestRecord>();
    record->child->fontid = 7;
    Id decoded = roundTrip(record);
    auto copy = decoded.as<KXTestRecord>();
    ASSERT_TRUE(copy);
    EXPECT_NE(copy, record);
    EXPECT_EQ(copy->name->utf8(), "Song");
    EXPECT_EQ(copy->fontid, -42);
    EXPECT_TRUE(copy->vip);
    EXPECT_EQ(copy->score, 4.5);
    ASSERT_TRUE(copy->child);
    EXPECT_EQ(copy->child->fontid, 7);
    EXPECT_FALSE(copy->child->name);
}

TEST(KeyedArchiverCoding, AnObjectThatHoldsItselfReadsAsDamage)
{
    KXTestRecord::classObject();
    auto record = std::make_shared<KXTestRecord>();
    record->child = record;
    Ref<Data> data = KeyedArchiver::archivedDataWithRootObject(record);
    record->child.reset(); // the test made the loop, the test breaks it
    Ref<Error> error;
    EXPECT_FALSE(KeyedUnarchiver::unarchiveObjectWithData(*data, &error));
    ASSERT_TRUE(error);
    EXPECT_EQ(error->code(), 4864);
}

TEST(KeyedArchiverCoding, ObjectsThatCannotBeWrittenAreAMisuse)
{
    auto plain = std::make_shared<KXTestRecord>();
    struct Plain final : Object { };
    Id value(std::make_shared<Plain>());
    try {
        KeyedArchiver::archivedDataWithRootObject(Array::create({ value }));
        ADD_FAILURE() << "nothing raised";
    } catch (const Exception& exception) {
        EXPECT_EQ(exception.name(), "NSInvalidArgumentException");
        EXPECT_NE(exception.reason().find("-[NSObject encodeWithCoder:]: unrecognized selector"),
            std::string::npos);
    }
    auto previous = setMisuseGuard([](const std::string&, const std::string&) {});
    Ref<Data> data = KeyedArchiver::archivedDataWithRootObject(
        Dictionary::create({ { Id("a"), value }, { Id("b"), Id(1) } }));
    setMisuseGuard(previous);
    ASSERT_TRUE(data);
    // The dictionary cannot hold the nil it became, so the whole archive reads as damaged.
    Ref<Error> error;
    EXPECT_FALSE(KeyedUnarchiver::unarchiveObjectWithData(*data, &error));
    ASSERT_TRUE(error);
    EXPECT_EQ(error->code(), 4864);
}

TEST(KeyedArchiverFiles, WrittenAtomicallyAndReadBack)
{
    auto dir = testsupport::makeScratchDir("archive");
    auto path = dir / "userInfo";
    ASSERT_TRUE(KeyedArchiver::archiveRootObject(Dictionary::create({ { Id("uid"), Id(1) } }), path));
    ASSERT_TRUE(KeyedArchiver::archiveRootObject(Dictionary::create({ { Id("uid"), Id(2) } }), path));
    EXPECT_EQ(KeyedUnarchiver::unarchiveObjectWithFile(path)["uid"].integerValue(), 2);
    std::size_t files = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir))
        ++files;
    EXPECT_EQ(files, 1u);
    Ref<Error> error;
    EXPECT_FALSE(KeyedArchiver::archiveRootObject(Id(1), dir / "missing" / "file", &error));
    EXPECT_TRUE(error);
}
