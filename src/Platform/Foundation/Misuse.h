#pragma once

#include <exception>
#include <functional>
#include <string>
#include <string_view>

namespace foundation {

class Class;
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

// What an operation does instead of raising when a guard answers its misuse.
enum class MisuseDefault {
    Ignore, // nothing is done: the receiver stays as it was, nothing is set
    ReturnNil, // the result is nil (an empty string, array or data where the result is one)
    ReturnEmptyString, // the result is an empty string, and the report says so rather than nil
    RebuiltArray, // an array literal is built from its non-nil elements
    RebuiltDictionary, // a dictionary literal is built from the pairs whose key and value are non-nil
    UnassignedCharacter, // a character is answered that nothing assigned (0)
};

// One misuse as a guard sees it. The views are valid during the guard's call only.
struct MisuseReport {
    std::string_view name;
    std::string_view reason;
    MisuseDefault instead = MisuseDefault::Ignore;
    // The receiver's class when the misuse is a message the receiver does not understand.
    const Class* unrecognizedBy = nullptr;
};

// Receives each misuse. Answers true when the operation is to go on with its default, false to
// decline: the misuse then raises as without a guard. It runs on the misusing thread.
using MisuseHandler = std::function<bool(const MisuseReport& report)>;
// The older, simpler form: sees every misuse and never declines.
using MisuseGuard = std::function<void(const std::string& name, const std::string& reason)>;

// Installs (or, with an empty function, removes) the process-wide guard and returns the previous
// one. A MisuseGuard handed back by setMisuseGuard is the one installed; a MisuseHandler installed
// with setMisuseHandler comes back from setMisuseGuard as a guard that forwards to it, and that
// guard, given to setMisuseGuard again, puts the handler itself back (declining included).
MisuseHandler setMisuseHandler(MisuseHandler handler);
MisuseGuard setMisuseGuard(MisuseGuard guard);
bool misuseGuardInstalled();

// Every misuse check of the containers, strings and key-value coding ends here. Without a guard,
// or when the guard declines, it throws Exception{name, reason}; otherwise it returns and the
// caller does what `instead` says. No operation calls it on its normal path.
void misuse(std::string_view name, std::string reason, MisuseDefault instead = MisuseDefault::Ignore);

// For misuse that callers have always survived without a guard (a literal with nil entries, which
// is built without them): tells a guard when one is installed, and never throws. Answers whether a
// guard took the misuse over (false without a guard or when the guard declines).
bool reportMisuse(std::string_view name, std::string reason, MisuseDefault instead);

// The platform's answer to a message the receiver does not understand: NSInvalidArgumentException,
// "-[<class> <selector>]: unrecognized selector sent to instance <address>", through misuse()
// with the receiver's class; the caller then does nothing further.
void unrecognizedSelector(const Object& receiver, std::string_view selector);

} // namespace foundation
