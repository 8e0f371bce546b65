#include "Class/Account/Core/KXAccountChecks.h"

#include "Platform/Foundation/String.h"

std::optional<std::string> KXAccountChecks::loginProblem(const std::string& account, const std::string& password)
{
    if (account.empty())
        return kEmptyPhone;
    if (password.empty())
        return kEmptyPassword;
    return std::nullopt;
}

std::optional<std::string> KXAccountChecks::registrationProblem(const std::string& phone, const std::string& code,
                                                                const std::string& password)
{
    if (phone.empty())
        return kEmptyPhone;
    if (code.empty())
        return kEmptyCode;
    if (password.empty())
        return kEmptyPassword;
    const auto length = static_cast<long>(foundation::String::create(password)->length());
    if (length < kMinimumPasswordLength || length > kMaximumPasswordLength)
        return kPasswordLength;
    return std::nullopt;
}

std::optional<std::string> KXAccountChecks::codeRequestProblem(const std::string& phone)
{
    if (phone.empty())
        return kEmptyPhone;
    return std::nullopt;
}
