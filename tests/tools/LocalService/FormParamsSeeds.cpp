// Seeds of fuzz_local_service_form: form bodies as the client signs and sends them, with repeated
// names, empty names and values, escapes, "+" for spaces, UTF-8 and malformed escapes.
#include "fuzz/SeedWriter.h"
#include "local-service/FormParams.h"

#include <string>

int main(int argc, char** argv)
{
    fuzzseeds::SeedWriter writer(argc, argv);
    const std::string bodies[] = {
        "account=reader%40example.invalid&password=e10adc3949ba59abbe56e057f20f883e&timestamp=1700000000"
        "&nonce=8f14e45f&sign=0cc175b9c0f1b6a831c399e269772661",
        "fontid=1024&page=1&pagesize=20&keyword=%E4%B8%AD%E6%96%87+Sans&sort=hot",
        "a=1&a=2&b=&=value&flag",
        "q=100%25+sure%2B%26more&empty=",
        "bad=%zz%4&tail=%",
    };
    for (const std::string& body : bodies) {
        const auto params = localservice::FormCodec::parse(body);
        writer.check(!params.empty() && localservice::FormCodec::parse(localservice::FormCodec::encode(params)) == params,
                     body);
        writer.add(body);
    }
    return writer.finish();
}
