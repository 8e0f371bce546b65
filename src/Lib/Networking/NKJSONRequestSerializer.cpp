#include "Lib/Networking/NKJSONRequestSerializer.h"

#include "Lib/Networking/NKNetworking.h"
#include "Platform/Foundation/Foundation.h"
#include "Platform/Storage/KeyedArchiver.h"
#include "Platform/Storage/KeyedUnarchiver.h"
#include "Platform/Serialization/JSONSerialization.h"
#include "Platform/URLLoading/URLError.h"

using foundation::Id;
using foundation::Ref;

const foundation::Class* NKJSONRequestSerializer::classObject()
{
    static const foundation::Class* cls = &foundation::Class::define("NKJSONRequestSerializer", NKHTTPRequestSerializer::classObject(),
                                                          [] { return Ref<foundation::Object>(std::make_shared<NKJSONRequestSerializer>()); });
    return cls;
}

const foundation::Class* NKJSONRequestSerializer::isa() const
{
    return classObject();
}

Ref<NKJSONRequestSerializer> NKJSONRequestSerializer::serializerWithWritingOptions(unsigned long options)
{
    auto serializer = std::make_shared<NKJSONRequestSerializer>();
    serializer->setWritingOptions(options);
    return serializer;
}

Ref<net::URLRequest> NKJSONRequestSerializer::requestBySerializingRequest(const Ref<net::URLRequest>& request, const Id& parameters,
                                                                          Ref<foundation::Error>* error) const
{
    return serializeBody(request, parameters, "application/json", [this](const Id& object, Ref<foundation::Error>* writeError) -> Ref<foundation::Data> {
        if (!foundation::JSONSerialization::isValidJSONObject(object)) {
            if (writeError) {
                auto userInfo = foundation::MutableDictionary::create();
                userInfo->setObject(Id(NKLocalizedString("The `parameters` argument is not valid JSON.")),
                                    Id(foundation::NSLocalizedFailureReasonErrorKey));
                *writeError = foundation::Error::errorWithDomain(NKURLRequestSerializationErrorDomain, net::NSURLErrorCannotDecodeContentData,
                                                                 userInfo);
            }
            return nullptr;
        }
        return foundation::JSONSerialization::dataWithJSONObject(object, static_cast<unsigned>(writingOptions_), writeError);
    }, error);
}

Ref<foundation::Object> NKJSONRequestSerializer::copy() const
{
    auto other = std::make_shared<NKJSONRequestSerializer>();
    copyStateInto(*other);
    other->writingOptions_ = writingOptions_;
    return other;
}

void NKJSONRequestSerializer::encodeWithCoder(foundation::KeyedArchiver& coder) const
{
    NKHTTPRequestSerializer::encodeWithCoder(coder);
    coder.encodeInteger(static_cast<long long>(writingOptions_), "writingOptions");
}

void NKJSONRequestSerializer::initWithCoder(foundation::KeyedUnarchiver& coder)
{
    NKHTTPRequestSerializer::initWithCoder(coder);
    writingOptions_ = static_cast<unsigned long>(coder.decodeIntegerForKey("writingOptions"));
}
