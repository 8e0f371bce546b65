#pragma once

#include "Platform/Foundation/Date.h"
#include "Platform/Foundation/Dictionary.h"
#include "Platform/Foundation/String.h"

#include <cstddef>
#include <string>

// The HTTP error log: the keyed-archive state file "httpServerError" holding "errorinfo" (lines
// "time:message\n", oldest first) and "param" (the parameters of the last request answered with a
// non-zero errcode). The shell uploads it at the next start and deletes it. Secrets never reach
// the file: "param" leaves out the signature "secret" and every credential ("password", "pwd",
// "encrypt_str", the SMS "code", "token", "ticket"; an empty one stays, showing that none was
// sent), the file is private to the user (0600), and the text keeps only its newest lines within
// kMaxErrorInfoBytes. Main thread only (each append is a read-modify-write of the file).
class KXHTTPErrorLog {
public:
    static constexpr const char* kFileKey = "httpServerError";
    static constexpr std::size_t kMaxErrorInfoBytes = 64 * 1024;

    // Appends one line; `param`, when given, replaces the stored "param".
    static void append(const std::string& message, const foundation::Ref<foundation::Dictionary>& param = nullptr);
    // "yyyy-MM-dd HH:mm:ss" in the local time zone (the calendar year, also in the last days of
    // December).
    static std::string timeStamp(const foundation::Date& date);
    // A copy of the parameters without the secrets, a long "img" (a base64 cover) cut to its start
    // and its length.
    static foundation::Ref<foundation::MutableDictionary> redacted(const foundation::Ref<foundation::Dictionary>& param);
    // The newest whole lines of `text` that fit in `limit` bytes.
    static std::string trimmedToLimit(const std::string& text, std::size_t limit);
};
