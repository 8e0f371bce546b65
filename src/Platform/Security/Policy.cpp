#include "Platform/Security/Policy.h"

namespace security {

const foundation::Class* Policy::classObject()
{
    static const foundation::Class* cls = &foundation::Class::define("SecPolicy", Object::classObject());
    return cls;
}

const foundation::Class* Policy::isa() const
{
    return classObject();
}

foundation::Ref<Policy> Policy::basicX509()
{
    return std::make_shared<Policy>(false, false, std::nullopt);
}

foundation::Ref<Policy> Policy::SSL(bool server, std::optional<std::string> hostName)
{
    return std::make_shared<Policy>(true, server, std::move(hostName));
}

} // namespace security
