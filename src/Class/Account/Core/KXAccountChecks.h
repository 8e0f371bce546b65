#pragma once

#include <optional>
#include <string>

// The checks the account panels make before they send anything; each answers the message to show
// (as a warning toast) or nullopt when the input may be sent. Lengths are counted in UTF-16 code
// units, as the text fields count characters.
class KXAccountChecks {
public:
    static constexpr const char* kEmptyPhone = "手机号不能为空";
    static constexpr const char* kEmptyPassword = "密码为空…";
    static constexpr const char* kEmptyCode = "验证码不能为空";
    static constexpr const char* kPasswordLength = "密码为6-20位字符，区分大小写";
    static constexpr long kMinimumPasswordLength = 6;
    static constexpr long kMaximumPasswordLength = 20;

    // The account panel's login: the account, then the password.
    static std::optional<std::string> loginProblem(const std::string& account, const std::string& password);
    // The registration: phone, SMS code, password, password length, in that order.
    static std::optional<std::string> registrationProblem(const std::string& phone, const std::string& code,
                                                          const std::string& password);
    // The SMS-code request: the phone.
    static std::optional<std::string> codeRequestProblem(const std::string& phone);
};
