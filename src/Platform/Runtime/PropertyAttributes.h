#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace runtime {

// How an object property holds its value; scalars have no ownership attribute.
enum class Ownership { Strong, Copy, Weak };

// What a declaration says beyond the member's type. Defaults match a plain
// `@property (nonatomic, strong)` or a nonatomic scalar.
struct PropertyOptions {
    bool readonly = false;
    bool copy = false; // "C": copy properties (strings, blocks)
    bool atomic = false; // omits "N"
    std::string getter = {}; // custom getter name ("isEnLanguage"), "G..." in the attributes
    std::string ivar = {}; // backing variable; "_" + name when empty
    std::string className = {}; // for a member typed with the class being declared, or one not registered yet
};

// The attribute text in the runtime's published order: T<encoding>[,R][,C|&|W][,N][,G<getter>],V<ivar>.
std::string composeAttributes(std::string_view encoding, bool isObject, Ownership ownership,
    const PropertyOptions& options, std::string_view name);

// The type encoding of an attribute text: from after "T" to the first ",".
std::string_view typeEncodingOf(std::string_view attributes);
// The value of a one-letter attribute ("G" -> "isFoo", "V" -> "_foo"); nullopt when absent.
std::optional<std::string_view> attributeValue(std::string_view attributes, char letter);
bool hasAttribute(std::string_view attributes, char letter);

// True for the encodings of objects ("@", "@\"NSString\"", "@?").
inline bool isObjectEncoding(std::string_view encoding)
{
    return !encoding.empty() && encoding.front() == '@';
}

} // namespace runtime
