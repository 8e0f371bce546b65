#include "Platform/Serialization/JSONSerialization.h"

#include "Platform/Foundation/Data.h"
#include "Platform/Foundation/Misuse.h"
#include "Platform/Serialization/JSONReader.h"
#include "Platform/Serialization/JSONWriter.h"

namespace foundation {

Id JSONSerialization::JSONObjectWithData(const Ref<Data>& data, unsigned options, Ref<Error>* error)
{
    return JSONObjectWithData(data.get(), options, error);
}

Id JSONSerialization::JSONObjectWithData(const Data* data, unsigned options, Ref<Error>* error)
{
    return JSONObjectWithData(data, options, JSONReadingLimits{}, error);
}

Id JSONSerialization::JSONObjectWithData(const Data* data, unsigned options, const JSONReadingLimits& limits, Ref<Error>* error)
{
    if (data == nullptr) {
        misuse(NSInvalidArgumentException, "data parameter is nil", MisuseDefault::ReturnNil);
        return {};
    }
    return readJSON(data->view(), options, limits, error);
}

Id JSONSerialization::JSONObjectWithContentsOfFile(const std::filesystem::path& path, std::uintmax_t maxLength,
                                                  unsigned options, Ref<Error>* error)
{
    return readJSONFile(path, maxLength, options, error);
}

Ref<Data> JSONSerialization::dataWithJSONObject(const Id& object, unsigned options, Ref<Error>* error)
{
    return writeJSON(object, options, error);
}

bool JSONSerialization::isValidJSONObject(const Id& object)
{
    return isValidJSONValue(object, false);
}

} // namespace foundation
