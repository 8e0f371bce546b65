#include "Class/Store/Core/KXMoney.h"

#include "Platform/Foundation/Number.h"
#include "Platform/Foundation/String.h"

#include <cctype>
#include <string>

namespace {

constexpr long long kLimit = 100'000'000'000'000'000LL; // 10^17 fen
constexpr int kExponentLimit = 40;

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

} // namespace

std::optional<long long> KXMoney::fenFromText(std::string_view text)
{
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);

    std::size_t at = 0;
    bool negative = false;
    if (at < text.size() && (text[at] == '+' || text[at] == '-'))
        negative = text[at++] == '-';

    // Every digit of the mantissa, and how many of them follow the point.
    std::string digits;
    int fractionDigits = 0;
    bool point = false;
    for (; at < text.size(); ++at) {
        const char c = text[at];
        if (c == '.' && !point) {
            point = true;
        } else if (std::isdigit(static_cast<unsigned char>(c))) {
            digits.push_back(c);
            if (point)
                ++fractionDigits;
        } else {
            break;
        }
    }
    if (digits.empty())
        return std::nullopt;

    int exponent = 0;
    if (at < text.size() && (text[at] == 'e' || text[at] == 'E')) {
        ++at;
        bool negativeExponent = false;
        if (at < text.size() && (text[at] == '+' || text[at] == '-'))
            negativeExponent = text[at++] == '-';
        const std::size_t start = at;
        for (; at < text.size() && std::isdigit(static_cast<unsigned char>(text[at])); ++at) {
            exponent = exponent * 10 + (text[at] - '0');
            if (exponent > kExponentLimit * 10)
                return std::nullopt;
        }
        if (at == start)
            return std::nullopt;
        if (negativeExponent)
            exponent = -exponent;
    }
    if (at != text.size())
        return std::nullopt;

    // fen = digits x 10^(exponent + 2 - fractionDigits)
    const long long shift = static_cast<long long>(exponent) + 2 - fractionDigits;
    std::size_t kept = digits.size();
    bool roundUp = false;
    if (shift < 0) {
        const long long dropped = -shift;
        if (dropped > static_cast<long long>(digits.size())) {
            kept = 0;
        } else {
            kept = digits.size() - static_cast<std::size_t>(dropped);
            roundUp = digits[kept] >= '5';
        }
    }
    long long fen = 0;
    for (std::size_t i = 0; i < kept; ++i) {
        fen = fen * 10 + (digits[i] - '0');
        if (fen > kLimit)
            return std::nullopt;
    }
    for (long long i = 0; i < shift; ++i) {
        if (fen == 0)
            break;
        fen *= 10;
        if (fen > kLimit)
            return std::nullopt;
    }
    if (roundUp)
        ++fen;
    if (fen > kLimit)
        return std::nullopt;
    return negative ? -fen : fen;
}

long long KXMoney::fen(const foundation::Id& value)
{
    std::optional<long long> fen;
    if (value.is<foundation::Number>())
        fen = fenFromText(value.description());
    else if (value.is<foundation::String>())
        fen = fenFromText(value.stringValue());
    return fen.value_or(0);
}
