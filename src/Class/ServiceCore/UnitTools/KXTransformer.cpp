#include "Class/ServiceCore/UnitTools/KXTransformer.h"

#include "Platform/Serialization/JSONSerialization.h"
#include "Platform/Storage/KeyedArchiver.h"
#include "Platform/Storage/KeyedUnarchiver.h"

using foundation::Id;
using foundation::Ref;

KXTransformer& KXTransformer::sharedKXTransformer()
{
    static KXTransformer instance;
    return instance;
}

Ref<foundation::Data> KXTransformer::returnDataWithDictionary(const Id& object) const
{
    foundation::KeyedArchiver archiver;
    archiver.encodeObject(object, kKXArchiveRootKey);
    return archiver.encodedData();
}

Id KXTransformer::returnDictionaryWithDataPath(const Ref<foundation::String>& path) const
{
    if (!path)
        return {};
    return returnDictionaryWithData(foundation::Data::dataWithContentsOfFile(path->utf8()));
}

Id KXTransformer::returnDictionaryWithData(const Ref<foundation::Data>& data) const
{
    if (!data)
        return {};
    auto unarchiver = foundation::KeyedUnarchiver::create(*data);
    if (!unarchiver)
        return {};
    return unarchiver->decodeObjectForKey(kKXArchiveRootKey);
}

Ref<foundation::String> KXTransformer::returnStringWithDictionary(const Id& object, bool model)
{
    if (!foundation::JSONSerialization::isValidJSONObject(object))
        return nullptr;
    auto data = foundation::JSONSerialization::dataWithJSONObject(object, foundation::JSONWritingPrettyPrinted);
    if (!data)
        return nullptr;
    auto text = foundation::String::create(data->view());
    return model ? text->stringByReplacingOccurrencesOfString("\n", "") : text;
}
