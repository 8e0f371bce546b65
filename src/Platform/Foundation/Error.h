#pragma once

#include "Platform/Foundation/Object.h"

#include <string>
#include <string_view>

namespace foundation {

class Dictionary;

// The platform's error domains and user-info keys.
inline constexpr std::string_view NSCocoaErrorDomain = "NSCocoaErrorDomain";
inline constexpr std::string_view NSPOSIXErrorDomain = "NSPOSIXErrorDomain";
inline constexpr std::string_view NSOSStatusErrorDomain = "NSOSStatusErrorDomain";
inline constexpr std::string_view NSURLErrorDomain = "NSURLErrorDomain";
inline constexpr std::string_view NSLocalizedDescriptionKey = "NSLocalizedDescription";
inline constexpr std::string_view NSLocalizedFailureReasonErrorKey = "NSLocalizedFailureReason";
inline constexpr std::string_view NSLocalizedRecoverySuggestionErrorKey = "NSLocalizedRecoverySuggestion";
inline constexpr std::string_view NSUnderlyingErrorKey = "NSUnderlyingError";
inline constexpr std::string_view NSFilePathErrorKey = "NSFilePath";
inline constexpr std::string_view NSDebugDescriptionErrorKey = "NSDebugDescription";
inline constexpr std::string_view NSURLErrorFailingURLErrorKey = "NSErrorFailingURLKey";
inline constexpr std::string_view NSURLErrorFailingURLStringErrorKey = "NSErrorFailingURLStringKey";
inline constexpr std::string_view NSURLErrorKey = "NSURL";
inline constexpr std::string_view NSStringEncodingErrorKey = "NSStringEncodingErrorKey";

// An error value (NSError): domain, code and a user-info dictionary (never nil; empty when none).
class Error final : public Object {
public:
    static const Class* classObject();
    const Class* isa() const override;

    static Ref<Error> errorWithDomain(std::string_view domain, long long code, Ref<Dictionary> userInfo = nullptr);
    // Shorthand for the common case of a domain, code and localized description.
    static Ref<Error> create(std::string_view domain, long long code, std::string_view localizedDescription);

    const std::string& domain() const { return domain_; }
    long long code() const { return code_; }
    const Ref<Dictionary>& userInfo() const { return userInfo_; }
    Id objectForUserInfoKey(std::string_view key) const;

    // The user info's description, or "The operation couldn’t be completed. (domain error code.)".
    std::string localizedDescription() const;
    std::string localizedFailureReason() const;
    Ref<Error> underlyingError() const;

    // "Error Domain=D Code=C \"description\" UserInfo={...}"
    std::string description() const override;
    bool isEqual(const Object& other) const override;
    std::size_t hash() const override;

    Error(std::string domain, long long code, Ref<Dictionary> userInfo);

private:
    std::string domain_;
    long long code_;
    Ref<Dictionary> userInfo_;
};

} // namespace foundation
