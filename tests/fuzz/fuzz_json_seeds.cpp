// Seeds of fuzz_json: a reading-options byte, then JSON of the shapes the service sends, in UTF-8
// and UTF-16, with every kind of value and escape.
#include "Platform/Foundation/Foundation.h"
#include "Platform/Serialization/JSONSerialization.h"
#include "fuzz/SeedWriter.h"

#include <string>

using namespace foundation;

int main(int argc, char** argv)
{
    fuzzseeds::SeedWriter writer(argc, argv);
    const std::string documents[] = {
        R"({"code":0,"msg":"ok","data":{"list":[{"id":1024,"name":"Corvane Sans","family_name":"Corvane",)"
        R"("tags":["sans","text"],"price":12.5,"vip":true,"cover":null,"url":"https:\/\/example.invalid\/a.zip"}],)"
        R"("total":1,"page":1}})",
        R"([1,-2,3.25e-3,1E+20,0,-0.0,9223372036854775807,18446744073709551615,1.7976931348623157e308,4.9e-324])",
        R"({"nested":[[[[{"a":[]}]]]],"empty":{},"s":"","t":true,"f":false,"n":null})",
        R"({"text":"\u4e2d\u6587 \ud83d\ude00 \n\t\"\\\/\b\f\r","raw":"中文 😀"})",
        "  [ { \"spaced\" : [ 1 , 2 ] } ]  \n",
        "\xEF\xBB\xBF{\"bom\":1}",
        R"("a fragment")",
        "-12.5e3",
        "null",
    };
    for (const std::string& text : documents) {
        for (unsigned options : {0u, unsigned(JSONReadingMutableContainers | JSONReadingMutableLeaves |
                                              JSONReadingFragmentsAllowed)}) {
            auto data = Data::create(text);
            bool fragment = !text.empty() && text.find_first_of("[{") == std::string::npos;
            if (fragment && !(options & JSONReadingFragmentsAllowed))
                continue;
            writer.check(!JSONSerialization::JSONObjectWithData(data, options).isNil(), text);
            writer.add(std::string(1, static_cast<char>(options)) + text);
        }
    }
    // The other encodings the reader detects.
    std::u16string wide = u"{\"wide\":[\"\u00e9\",2]}";
    std::string utf16le;
    for (char16_t unit : wide) {
        utf16le.push_back(static_cast<char>(unit & 0xFF));
        utf16le.push_back(static_cast<char>(unit >> 8));
    }
    writer.check(!JSONSerialization::JSONObjectWithData(Data::create(utf16le), 0).isNil(), "UTF-16LE");
    writer.add(std::string(1, '\0') + utf16le);
    return writer.finish();
}
