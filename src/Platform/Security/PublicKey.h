#pragma once

#include "Platform/Foundation/Object.h"

#include <cstdint>
#include <vector>

namespace foundation {
class Data;
}

namespace security {

// A public key (SecKey) held as its DER SubjectPublicKeyInfo, the canonical encoding used to
// compare keys for pinning: two keys are equal when their encodings are equal.
class PublicKey final : public foundation::Object {
public:
    static const foundation::Class* classObject();
    const foundation::Class* isa() const override;

    foundation::Ref<foundation::Data> externalRepresentation() const;
    const std::vector<std::uint8_t>& subjectPublicKeyInfo() const { return spki_; }

    std::string description() const override;
    bool isEqual(const foundation::Object& other) const override;
    std::size_t hash() const override;

    explicit PublicKey(std::vector<std::uint8_t> spki)
        : spki_(std::move(spki))
    {
    }

private:
    std::vector<std::uint8_t> spki_;
};

} // namespace security
