#include "Platform/URLLoading/URLSessionConfiguration.h"

#include "Platform/Foundation/Format.h"

namespace net {

const foundation::Class* URLSessionConfiguration::classObject()
{
    static const foundation::Class* cls = &foundation::Class::define(
        "NSURLSessionConfiguration", Object::classObject(), [] { return URLSessionConfiguration::defaultSessionConfiguration(); });
    return cls;
}

const foundation::Class* URLSessionConfiguration::isa() const
{
    return classObject();
}

foundation::Ref<URLSessionConfiguration> URLSessionConfiguration::defaultSessionConfiguration()
{
    return std::make_shared<URLSessionConfiguration>();
}

foundation::Ref<URLSessionConfiguration> URLSessionConfiguration::ephemeralSessionConfiguration()
{
    auto configuration = std::make_shared<URLSessionConfiguration>();
    configuration->ephemeral = true;
    return configuration;
}

std::string URLSessionConfiguration::description() const
{
    return foundation::format("<__NSCFURLSessionConfiguration: %p>", static_cast<const void*>(this));
}

} // namespace net
