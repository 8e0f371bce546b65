#include "Platform/Foundation/Error.h"

#include "Platform/Foundation/Dictionary.h"
#include "Platform/Foundation/Format.h"
#include "Platform/Foundation/String.h"

#include <functional>

namespace foundation {

const Class* Error::classObject()
{
    static const Class* cls = &Class::define("NSError", Object::classObject());
    return cls;
}

const Class* Error::isa() const
{
    return classObject();
}

Error::Error(std::string domain, long long code, Ref<Dictionary> userInfo)
    : domain_(std::move(domain))
    , code_(code)
    , userInfo_(userInfo ? std::move(userInfo) : Dictionary::create())
{
}

Ref<Error> Error::errorWithDomain(std::string_view domain, long long code, Ref<Dictionary> userInfo)
{
    // The error keeps its own immutable copy, as the platform does.
    Ref<Dictionary> info = userInfo ? std::static_pointer_cast<Dictionary>(userInfo->copy()) : nullptr;
    return std::make_shared<Error>(std::string(domain), code, std::move(info));
}

Ref<Error> Error::create(std::string_view domain, long long code, std::string_view localizedDescription)
{
    return errorWithDomain(domain, code, Dictionary::create({{Id(NSLocalizedDescriptionKey), Id(localizedDescription)}}));
}

Id Error::objectForUserInfoKey(std::string_view key) const
{
    return userInfo_->objectForKey(key);
}

std::string Error::localizedDescription() const
{
    Id text = userInfo_->objectForKey(NSLocalizedDescriptionKey);
    if (text.is<String>())
        return text.stringValue();
    return format("The operation couldn’t be completed. (%@ error %lld.)", domain_, code_);
}

std::string Error::localizedFailureReason() const
{
    return userInfo_->objectForKey(NSLocalizedFailureReasonErrorKey).stringValue();
}

Ref<Error> Error::underlyingError() const
{
    return userInfo_->objectForKey(NSUnderlyingErrorKey).as<Error>();
}

std::string Error::description() const
{
    Id text = userInfo_->objectForKey(NSLocalizedDescriptionKey);
    std::string out = format("Error Domain=%@ Code=%lld \"%@\"", domain_, code_, text);
    if (userInfo_->count() > 0) {
        out += " UserInfo={";
        bool first = true;
        for (const auto& entry : userInfo_->entries()) {
            if (!first)
                out += ", ";
            first = false;
            out += entry.key.description() + "=" + entry.value.description();
        }
        out += "}";
    }
    return out;
}

bool Error::isEqual(const Object& other) const
{
    if (this == &other)
        return true;
    const auto* error = dynamic_cast<const Error*>(&other);
    return error && error->code_ == code_ && error->domain_ == domain_ && error->userInfo_->isEqual(*userInfo_);
}

std::size_t Error::hash() const
{
    return std::hash<std::string>{}(domain_) ^ static_cast<std::size_t>(code_);
}

} // namespace foundation
