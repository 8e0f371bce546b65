// Seeds of fuzz_keyed_archive: archives as the client writes them, under the keys the fuzzer
// decodes: records that archive themselves (one met twice), containers of every kind, strings,
// numbers, data, dates and null.
#include "Platform/Foundation/Foundation.h"
#include "Platform/Storage/KeyedArchiver.h"
#include "Platform/Storage/KeyedUnarchiver.h"
#include "TestCoding.h"
#include "fuzz/SeedWriter.h"

using namespace foundation;
using storagetests::KXTestRecord;

namespace {

Ref<KXTestRecord> record(const std::string& name, long long fontid)
{
    auto made = std::make_shared<KXTestRecord>();
    made->name = String::create(name);
    made->fontid = fontid;
    made->vip = fontid % 2 == 0;
    made->score = 4.5;
    return made;
}

} // namespace

int main(int argc, char** argv)
{
    fuzzseeds::SeedWriter writer(argc, argv);
    KXTestRecord::classObject();
    auto parent = record("Corvane Sans", 1024);
    parent->child = record("Corvane Serif 中文", 7);
    auto shared = record("shared", 3);
    Id roots[] = {
        Id(parent),
        Id(Array::create({Id(shared), Id(shared), Id("text"), Id(42LL), Id(2.5), Id(true)})),
        Id(MutableDictionary::create({{Id("token"), Id("abc")}, {Id("list"), Id(MutableArray::create({Id(1LL)}))}})),
        Id(Dictionary::create({{Id("data"), Id(Data::create(std::string("\x00\xFF", 2)))},
                               {Id("date"), Id(Date::dateWithTimeIntervalSinceReferenceDate(7e8))},
                               {Id("null"), Id(Null::null())},
                               {Id("set"), Id(Set::create({Id("a"), Id("b")}))}})),
    };
    for (const Id& root : roots) {
        KeyedArchiver archiver;
        archiver.encodeObject(root, "root");
        archiver.encodeObject(Array::create({Id(parent), Id("x")}), "listData");
        archiver.encodeInteger(3, "count");
        archiver.encodeDouble(0.75, "score");
        Ref<Data> data = archiver.encodedData();
        auto unarchiver = data ? KeyedUnarchiver::create(*data) : nullptr;
        writer.check(unarchiver && !unarchiver->decodeObjectForKey("root").isNil(), "archive");
        if (data)
            writer.add(data->view());
    }
    return writer.finish();
}
