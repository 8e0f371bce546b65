// Seeds of fuzz_bridge_flush: a state byte (script injected, callbacks pending), then message
// queues as the page's script hands them over: calls to the fuzzer's handlers with and without
// data and callback ids, answers to the core's pending callbacks, and escapes in the data.
#include "Platform/Foundation/Foundation.h"
#include "Platform/Serialization/JSONSerialization.h"
#include "fuzz/SeedWriter.h"

#include <string>

using namespace foundation;

int main(int argc, char** argv)
{
    fuzzseeds::SeedWriter writer(argc, argv);
    const std::string queues[] = {
        R"([{"handlerName":"echo","data":{"font":"Corvane Sans","size":14},"callbackId":"cb_1_1700000000"}])",
        R"([{"handlerName":"twice","data":["a",1,true,null],"callbackId":"cb_2"},{"handlerName":"echo"}])",
        R"([{"responseId":"objc_cb_1","responseData":{"ok":1}},{"responseId":"objc_cb_2"}])",
        R"([{"handlerName":"reset","callbackId":"cb_3"},{"handlerName":"echo","data":"after reset"}])",
        R"([{"handlerName":"echo","data":"quote ' double \" backslash \\ line\n sep \u2028 \u2029","callbackId":"cb_4"}])",
        R"([{"handlerName":"missing","data":1,"callbackId":"cb_5"},{"data":"no name"}])",
        R"([])",
    };
    for (const std::string& queue : queues) {
        writer.check(JSONSerialization::JSONObjectWithData(Data::create(queue), 0).is<Array>(), queue);
        for (char state : {0, 1, 3})
            writer.add(std::string(1, state) + queue);
    }
    return writer.finish();
}
