#include "Platform/Storage/KeyedUnarchiver.h"
#include "Support/TempHome.h"
#include "TestCoding.h"

#include <functional>
#include <gtest/gtest.h>
#include <plist/plist.h>

using namespace foundation;

namespace {

// Builds an archive by hand: `fill` appends the objects after "$null" and names the root's UID.
Ref<Data> handMade(const std::function<std::uint64_t(plist_t objects)>& fill)
{
    plist_t root = plist_new_dict();
    plist_dict_set_item(root, "$archiver", plist_new_string("NSKeyedArchiver"));
    plist_dict_set_item(root, "$version", plist_new_uint(100000));
    plist_t objects = plist_new_array();
    plist_array_append_item(objects, plist_new_string("$null"));
    std::uint64_t rootUid = fill(objects);
    plist_t top = plist_new_dict();
    plist_dict_set_item(top, "root", plist_new_uid(rootUid));
    plist_dict_set_item(root, "$top", top);
    plist_dict_set_item(root, "$objects", objects);
    char* bytes = nullptr;
    uint32_t length = 0;
    plist_to_bin(root, &bytes, &length);
    auto data = Data::create(std::string_view(bytes, length));
    plist_to_bin_free(bytes);
    plist_free(root);
    return data;
}

plist_t classDescription(const char* name)
{
    plist_t description = plist_new_dict();
    plist_dict_set_item(description, "$classname", plist_new_string(name));
    plist_t chain = plist_new_array();
    plist_array_append_item(chain, plist_new_string(name));
    plist_dict_set_item(description, "$classes", chain);
    return description;
}

// An array object at `index` whose elements are the given UIDs; its class is at index + 1.
plist_t arrayObject(std::uint64_t classUid, std::initializer_list<std::uint64_t> elements)
{
    plist_t object = plist_new_dict();
    plist_t list = plist_new_array();
    for (std::uint64_t element : elements)
        plist_array_append_item(list, plist_new_uid(element));
    plist_dict_set_item(object, "NS.objects", list);
    plist_dict_set_item(object, "$class", plist_new_uid(classUid));
    return object;
}

long long errorCode(const Data& data)
{
    Ref<Error> error;
    Id object = KeyedUnarchiver::unarchiveObjectWithData(data, &error);
    EXPECT_FALSE(object) << object.description();
    return error ? error->code() : 0;
}

} // namespace

TEST(KeyedUnarchiverInput, BytesThatAreNoArchiveGiveAnError)
{
    EXPECT_EQ(errorCode(*Data::create(std::string_view("not a plist at all"))), 4864);
    EXPECT_EQ(errorCode(*Data::create()), 4864);
    Ref<Data> whole = KeyedArchiver::archivedDataWithRootObject(Array::create({ Id("a"), Id(2) }));
    EXPECT_EQ(errorCode(*whole->subdataWithRange({ 0, whole->length() - 10 })), 4864);
}

TEST(KeyedUnarchiverInput, ReferencesPastTheObjectsAreDamage)
{
    auto data = handMade([](plist_t objects) {
        plist_array_append_item(objects, arrayObject(2, { 99 }));
        plist_array_append_item(objects, classDescription("NSArray"));
        return 1;
    });
    EXPECT_EQ(errorCode(*data), 4864);
}

TEST(KeyedUnarchiverInput, ContainersInALoopAreDamageNotARecursion)
{
    auto data = handMade([](plist_t objects) {
        plist_array_append_item(objects, arrayObject(2, { 3 }));
        plist_array_append_item(objects, classDescription("NSArray"));
        plist_array_append_item(objects, arrayObject(2, { 1 }));
        return 1;
    });
    EXPECT_EQ(errorCode(*data), 4864);
}

TEST(KeyedUnarchiverInput, DeepNestingStopsAtTheLimit)
{
    auto data = handMade([](plist_t objects) {
        plist_array_append_item(objects, classDescription("NSArray"));
        const std::uint64_t levels = 2000;
        for (std::uint64_t index = 2; index <= levels + 1; ++index) {
            bool last = index == levels + 1;
            plist_array_append_item(objects, last ? arrayObject(1, {}) : arrayObject(1, { index + 1 }));
        }
        return 2;
    });
    EXPECT_EQ(errorCode(*data), 4864);
}

TEST(KeyedUnarchiverInput, UnknownAndNonCodingClassesAreDamage)
{
    for (const char* name : { "KXNeverRegistered", "NSObject" }) {
        auto data = handMade([name](plist_t objects) {
            plist_t object = plist_new_dict();
            plist_dict_set_item(object, "$class", plist_new_uid(2));
            plist_array_append_item(objects, object);
            plist_array_append_item(objects, classDescription(name));
            return 1;
        });
        EXPECT_EQ(errorCode(*data), 4864) << name;
    }
}

TEST(KeyedUnarchiverKeys, MissingKeysAnswerNothingWithoutFailing)
{
    KeyedArchiver archiver;
    archiver.encodeInteger(5, "count");
    archiver.encodeObject(Id("v"), "value");
    auto unarchiver = KeyedUnarchiver::create(*archiver.encodedData());
    ASSERT_TRUE(unarchiver);
    EXPECT_EQ(unarchiver->decodeIntForKey("count"), 5);
    EXPECT_TRUE(unarchiver->containsValueForKey("value"));
    EXPECT_FALSE(unarchiver->containsValueForKey("other"));
    EXPECT_FALSE(unarchiver->decodeObjectForKey("other"));
    EXPECT_FALSE(unarchiver->decodeBoolForKey("other"));
    EXPECT_EQ(unarchiver->decodeIntegerForKey("value"), 0); // a reference is not a number
    EXPECT_EQ(unarchiver->decodeObjectForKey("value").stringValue(), "v");
    EXPECT_FALSE(unarchiver->failed());
}

TEST(KeyedUnarchiverFiles, MissingFileGivesNilAndTheFileError)
{
    Ref<Error> error;
    EXPECT_FALSE(KeyedUnarchiver::unarchiveObjectWithFile(testsupport::makeScratchDir("u") / "none", &error));
    ASSERT_TRUE(error);
    EXPECT_EQ(error->domain(), "NSCocoaErrorDomain");
}
