// Seeds of fuzz_plist: a mutability byte, then property lists in both formats with every kind of
// value, shared strings, deep and empty containers, and XML as other writers lay it out.
#include "Platform/Foundation/Foundation.h"
#include "Platform/Serialization/PropertyListSerialization.h"
#include "fuzz/SeedWriter.h"

#include <limits>
#include <string>

using namespace foundation;

int main(int argc, char** argv)
{
    fuzzseeds::SeedWriter writer(argc, argv);
    auto record = [](int i) {
        return Dictionary::create({
            {Id("postscript_name"), Id("Corvane-" + std::to_string(i))},
            {Id("size"), Id(static_cast<long long>(i) * 1000)},
            {Id("downloaded"), Id(i % 2 == 0)},
        });
    };
    Id everything = Dictionary::create({
        {Id("string"), Id("Corvane Sans 中文 😀")},
        {Id("negative"), Id(-42LL)},
        {Id("large"), Id(std::numeric_limits<long long>::max())},
        {Id("unsigned"), Id(Number::makeUnsigned(std::numeric_limits<unsigned long long>::max(),
                                                 NumberKind::UnsignedLongLong))},
        {Id("real"), Id(3.141592653589793)},
        {Id("float"), Id(Number::numberWithFloat(1.5f))},
        {Id("true"), Id(true)},
        {Id("date"), Id(Date::dateWithTimeIntervalSinceReferenceDate(700000000.5))},
        {Id("data"), Id(Data::create(std::string("\x00\x01\x02\xFF binary", 11)))},
        {Id("empty array"), Id(Array::create(std::vector<Id>{}))},
        {Id("empty dict"), Id(Dictionary::create())},
        {Id("records"), Id(Array::create({Id(record(1)), Id(record(2)), Id(record(3))}))},
        {Id("nested"), Id(Array::create({Id(Array::create({Id(Array::create({Id("deep")}))}))}))},
    });
    Id values[] = {everything, Id(Array::create({Id("a"), Id("a"), Id("b")})), Id("top-level string")};
    for (const Id& value : values) {
        for (PropertyListFormat format : {PropertyListBinaryFormat_v1_0, PropertyListXMLFormat_v1_0}) {
            Ref<Data> data = PropertyListSerialization::dataWithPropertyList(value, format);
            writer.check(data && !PropertyListSerialization::propertyListWithData(data, 0).isNil(), "written list");
            if (!data)
                continue;
            for (char options : {0, 1, 2})
                writer.add(std::string(1, options) + std::string(data->view()));
        }
    }
    const std::string otherWriter = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!-- from elsewhere -->\n"
                                    "<plist version=\"1.0\"><dict>\n  <key>a &amp; b</key> <integer> +7 </integer>\n"
                                    "  <key>r</key><real>-infinity</real><key>d</key><data>AAEC\nAw==</data>\n"
                                    "  <key>when</key><date>2024-02-29T12:00:00Z</date><key>f</key><false/>\n"
                                    "</dict></plist>\n";
    writer.check(!PropertyListSerialization::propertyListWithData(Data::create(otherWriter), 0).isNil(), "other");
    writer.add(std::string(1, '\0') + otherWriter);
    return writer.finish();
}
