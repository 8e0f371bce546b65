#include "Platform/Security/PublicKey.h"

#include "Platform/Foundation/Data.h"

namespace security {

const foundation::Class* PublicKey::classObject()
{
    static const foundation::Class* cls = &foundation::Class::define("SecKey", Object::classObject());
    return cls;
}

const foundation::Class* PublicKey::isa() const
{
    return classObject();
}

foundation::Ref<foundation::Data> PublicKey::externalRepresentation() const
{
    return foundation::Data::create(spki_);
}

std::string PublicKey::description() const
{
    return "<SecKey: " + std::to_string(spki_.size()) + " bytes>";
}

bool PublicKey::isEqual(const foundation::Object& other) const
{
    auto* key = dynamic_cast<const PublicKey*>(&other);
    return key && key->spki_ == spki_;
}

std::size_t PublicKey::hash() const
{
    std::size_t h = 1469598103934665603ULL;
    for (std::uint8_t byte : spki_)
        h = (h ^ byte) * 1099511628211ULL;
    return h;
}

} // namespace security
