#pragma once

#include "Platform/Foundation/Class.h"

#include <memory>
#include <string>
#include <string_view>

namespace mm {

// The parsed type of a property, one shared instance per distinct type code.
class MMPropertyType {
public:
    // The shared type of `code` (the text after "T" in an attribute string), parsed once.
    static std::shared_ptr<const MMPropertyType> cachedTypeWithCode(std::string_view code);

    // The code; for a property typed with a named class, the class name alone.
    const std::string& code() const { return code_; }
    bool isIdType() const { return idType_; }
    bool isNumberType() const { return numberType_; }
    bool isBoolType() const { return boolType_; }
    const foundation::Class* typeClass() const { return typeClass_; }
    bool isFromFoundation() const { return fromFoundation_; }
    bool isKVCDisabled() const { return kvcDisabled_; }

    void setCode(std::string_view code);

private:
    std::string code_;
    bool idType_ = false;
    bool numberType_ = false;
    bool boolType_ = false;
    const foundation::Class* typeClass_ = nullptr;
    bool fromFoundation_ = false;
    bool kvcDisabled_ = false;
};

} // namespace mm
