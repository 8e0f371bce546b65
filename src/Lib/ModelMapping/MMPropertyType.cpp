#include "Lib/ModelMapping/MMPropertyType.h"

#include "Lib/ModelMapping/MMFoundation.h"
#include "Platform/Foundation/Number.h"

#include <cctype>
#include <map>
#include <mutex>

namespace mm {

std::shared_ptr<const MMPropertyType> MMPropertyType::cachedTypeWithCode(std::string_view code)
{
    static std::mutex mutex;
    static std::map<std::string, std::shared_ptr<const MMPropertyType>, std::less<>> cache;
    std::lock_guard lock(mutex);
    auto found = cache.find(code);
    if (found != cache.end())
        return found->second;
    auto type = std::make_shared<MMPropertyType>();
    type->setCode(code);
    cache.emplace(std::string(code), type);
    return type;
}

void MMPropertyType::setCode(std::string_view code)
{
    code_ = std::string(code);
    if (code_ == "@") {
        idType_ = true;
    } else if (code_.empty()) {
        kvcDisabled_ = true;
    } else if (code_.size() >= 4 && code_[0] == '@' && code_[1] == '"') {
        code_ = code_.substr(2, code_.size() - 3);
        typeClass_ = foundation::Class::named(code_);
        fromFoundation_ = MMFoundation::isClassFromFoundation(typeClass_);
        numberType_ = typeClass_ && typeClass_->isSubclassOfClass(foundation::Number::classObject());
    } else if (code_ == ":" || code_ == "^{objc_ivar=}" || code_ == "^{objc_method=}") {
        kvcDisabled_ = true;
    }
    std::string lowered = code_;
    for (char& c : lowered)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    static constexpr std::string_view numeric[] = {"i", "s", "c", "b", "f", "d", "l", "q"};
    for (std::string_view candidate : numeric) {
        if (lowered == candidate) {
            numberType_ = true;
            boolType_ = lowered == "c" || lowered == "b";
            break;
        }
    }
}

} // namespace mm
