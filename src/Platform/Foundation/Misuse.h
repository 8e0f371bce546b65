#pragma once

#include <exception>
#include <functional>
#include <string>
#include <string_view>

namespace foundation {

class Object;

// Exception names of the platform; reasons use its texts.
inline constexpr std::string_view NSRangeException = "NSRangeException";
inline constexpr std::string_view NSInvalidArgumentException = "NSInvalidArgumentException";
inline constexpr std::string_view NSUnknownKeyException = "NSUnknownKeyException";
inline constexpr std::string_view NSInternalInconsistencyException = "NSInternalInconsistencyException";
inline constexpr std::string_view NSGenericException = "NSGenericException";
inline constexpr std::string_view NSMallocException = "NSMallocException";

// A programming error raised by the object model (index out of range, nil key, unknown key...).
class Exception : public std::exception {
public:
    Exception(std::string name, std::string reason);
    const std::string& name() const { return name_; }
    const std::string& reason() const { return reason_; }
    const char* what() const noexcept override { return what_.c_str(); }

private:
    std::string name_;
    std::string reason_;
    std::string what_;
};

// Receives each misuse once a guard is installed; the operation then answers its harmless default.
using MisuseGuard = std::function<void(const std::string& name, const std::string& reason)>;

// Installs (or, with an empty function, removes) the process-wide guard. Returns the previous one.
MisuseGuard setMisuseGuard(MisuseGuard guard);
bool misuseGuardInstalled();

// Every misuse check of the containers, strings and key-value coding ends here. Without a guard it
// throws Exception{name, reason}; with a guard it reports and returns, and the caller returns its
// default value.
void misuse(std::string_view name, std::string reason);

// The platform's answer to a message the receiver does not understand: NSInvalidArgumentException,
// "-[<class> <selector>]: unrecognized selector sent to instance <address>", through misuse().
void unrecognizedSelector(const Object& receiver, std::string_view selector);

} // namespace foundation
