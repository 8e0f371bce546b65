#include "Platform/Foundation/Format.h"

#include "Platform/Foundation/Number.h"
#include "Platform/Foundation/String.h"
#include "Platform/Foundation/Unicode.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace foundation {

FormatArg::FormatArg(const FormatArg& other)
    : kind_(other.kind_)
    , signed_(other.signed_)
    , unsigned_(other.unsigned_)
    , real_(other.real_)
    , text_(other.text_)
    , nullText_(other.nullText_)
    , held_(other.held_)
    , object_(other.object_ == &other.held_ ? &held_ : other.object_)
    , pointer_(other.pointer_)
{
}

long long FormatArg::asSigned() const
{
    switch (kind_) {
    case Kind::Signed:
        return signed_;
    case Kind::Unsigned:
        return static_cast<long long>(unsigned_);
    case Kind::Real:
        return std::isfinite(real_) ? static_cast<long long>(real_) : 0;
    case Kind::Text:
        return String(std::string(text_)).integerValue();
    case Kind::Object:
        return object_->integerValue();
    case Kind::Pointer:
        return static_cast<long long>(reinterpret_cast<std::uintptr_t>(pointer_));
    }
    return 0;
}

unsigned long long FormatArg::asUnsigned() const
{
    if (kind_ == Kind::Unsigned)
        return unsigned_;
    if (kind_ == Kind::Object)
        return object_->unsignedLongLongValue();
    return static_cast<unsigned long long>(asSigned());
}

double FormatArg::asReal() const
{
    switch (kind_) {
    case Kind::Real:
        return real_;
    case Kind::Signed:
        return static_cast<double>(signed_);
    case Kind::Unsigned:
        return static_cast<double>(unsigned_);
    case Kind::Text:
        return String(std::string(text_)).doubleValue();
    case Kind::Object:
        return object_->doubleValue();
    case Kind::Pointer:
        return 0;
    }
    return 0;
}

std::string FormatArg::asText() const
{
    switch (kind_) {
    case Kind::Text:
        return nullText_ ? std::string("(null)") : std::string(text_);
    case Kind::Object:
        return object_->description();
    case Kind::Signed:
        return std::to_string(signed_);
    case Kind::Unsigned:
        return std::to_string(unsigned_);
    case Kind::Real:
        return Number::numberWithDouble(real_)->description();
    case Kind::Pointer: {
        char buffer[32];
        std::snprintf(buffer, sizeof buffer, "%p", pointer_);
        return buffer;
    }
    }
    return {};
}

namespace {

struct Spec {
    bool left = false;
    bool zero = false;
    bool plus = false;
    bool space = false;
    bool alternate = false;
    int width = 0;
    int precision = -1;
    int lengthBits = 32; // 8, 16, 32 or 64: how the platform would read an integer argument
};

void pad(std::string& out, std::string_view body, const Spec& spec, bool numeric)
{
    std::size_t shown = unicode::utf16Length(body);
    std::size_t width = spec.width > 0 ? static_cast<std::size_t>(spec.width) : 0;
    if (shown >= width) {
        out.append(body);
        return;
    }
    std::size_t fill = width - shown;
    if (spec.left) {
        out.append(body);
        out.append(fill, ' ');
    } else if (spec.zero && numeric) {
        // Zeros go after a sign or a 0x prefix.
        std::size_t prefix = 0;
        if (!body.empty() && (body[0] == '-' || body[0] == '+' || body[0] == ' '))
            prefix = 1;
        if (body.size() >= prefix + 2 && body[prefix] == '0' && (body[prefix + 1] == 'x' || body[prefix + 1] == 'X'))
            prefix += 2;
        out.append(body.substr(0, prefix));
        out.append(fill, '0');
        out.append(body.substr(prefix));
    } else {
        out.append(fill, ' ');
        out.append(body);
    }
}

std::string integerText(unsigned long long magnitude, bool negative, int base, bool upper, const Spec& spec)
{
    char digits[72];
    auto result = std::to_chars(digits, digits + sizeof digits, magnitude, base);
    std::string body(digits, result.ptr);
    if (upper)
        for (char& c : body)
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (spec.precision >= 0) {
        if (spec.precision == 0 && magnitude == 0)
            body.clear();
        else if (body.size() < static_cast<std::size_t>(spec.precision))
            body.insert(0, static_cast<std::size_t>(spec.precision) - body.size(), '0');
    }
    if (spec.alternate && magnitude != 0) {
        if (base == 16)
            body.insert(0, upper ? "0X" : "0x");
        else if (base == 8 && (body.empty() || body[0] != '0'))
            body.insert(0, "0");
    }
    if (negative)
        body.insert(0, "-");
    else if (spec.plus && base == 10)
        body.insert(0, "+");
    else if (spec.space && base == 10)
        body.insert(0, " ");
    return body;
}

long long truncateSigned(long long value, int bits)
{
    switch (bits) {
    case 8:
        return static_cast<signed char>(value);
    case 16:
        return static_cast<short>(value);
    default:
        return value;
    }
}

unsigned long long truncateUnsigned(unsigned long long value, int bits)
{
    switch (bits) {
    case 8:
        return static_cast<unsigned char>(value);
    case 16:
        return static_cast<unsigned short>(value);
    case 32:
        return static_cast<unsigned int>(value);
    default:
        return value;
    }
}

std::string realText(double value, char conversion, const Spec& spec)
{
    if (std::isnan(value))
        return std::isupper(static_cast<unsigned char>(conversion)) ? "NAN" : "nan";
    if (std::isinf(value)) {
        std::string text = std::isupper(static_cast<unsigned char>(conversion)) ? "INF" : "inf";
        if (value < 0)
            return "-" + text;
        return spec.plus ? "+" + text : text;
    }
    // snprintf would follow LC_NUMERIC; to_chars never does.
    int precision = spec.precision < 0 ? 6 : spec.precision;
    char buffer[400];
    std::to_chars_result result{};
    char lower = static_cast<char>(std::tolower(static_cast<unsigned char>(conversion)));
    if (lower == 'f') {
        result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, precision);
    } else if (lower == 'e') {
        result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific, precision);
    } else {
        result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general,
                               precision == 0 ? 1 : precision);
    }
    if (result.ec != std::errc())
        return "0";
    std::string body(buffer, result.ptr);
    if (lower == 'e' || lower == 'g') {
        // printf writes at least two exponent digits: 1e+05, not 1e+5.
        auto e = body.find('e');
        if (e != std::string::npos && e + 2 < body.size() + 1) {
            std::size_t digitsStart = e + 2;
            if (body.size() - digitsStart < 2)
                body.insert(digitsStart, "0");
        }
    }
    if (std::isupper(static_cast<unsigned char>(conversion)))
        for (char& c : body)
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (value >= 0 && !std::signbit(value)) {
        if (spec.plus)
            body.insert(0, "+");
        else if (spec.space)
            body.insert(0, " ");
    }
    return body;
}

} // namespace

std::string formatArgs(std::string_view format, std::span<const FormatArg> args)
{
    std::string out;
    out.reserve(format.size() + 16 * args.size());
    std::size_t next = 0;
    static const FormatArg nilArg{static_cast<const char*>(nullptr)}; // prints "(null)", reads as 0
    auto take = [&]() -> const FormatArg& { return next < args.size() ? args[next++] : nilArg; };

    std::size_t i = 0;
    while (i < format.size()) {
        std::size_t percent = format.find('%', i);
        if (percent == std::string_view::npos) {
            out.append(format.substr(i));
            break;
        }
        out.append(format.substr(i, percent - i));
        std::size_t p = percent + 1;
        if (p >= format.size()) {
            out.push_back('%');
            break;
        }
        Spec spec;
        for (; p < format.size(); ++p) {
            char f = format[p];
            if (f == '-')
                spec.left = true;
            else if (f == '0')
                spec.zero = true;
            else if (f == '+')
                spec.plus = true;
            else if (f == ' ')
                spec.space = true;
            else if (f == '#')
                spec.alternate = true;
            else if (f == '\'')
                continue; // thousands grouping: ignored, locale-independent output
            else
                break;
        }
        if (p < format.size() && format[p] == '*') {
            long long w = take().asSigned();
            if (w < 0) {
                spec.left = true;
                w = -w;
            }
            spec.width = static_cast<int>(std::min<long long>(w, 4096));
            ++p;
        } else {
            while (p < format.size() && std::isdigit(static_cast<unsigned char>(format[p])))
                spec.width = std::min(spec.width * 10 + (format[p++] - '0'), 4096);
        }
        if (p < format.size() && format[p] == '.') {
            ++p;
            spec.precision = 0;
            if (p < format.size() && format[p] == '*') {
                long long prec = take().asSigned();
                spec.precision = prec < 0 ? -1 : static_cast<int>(std::min<long long>(prec, 4096));
                ++p;
            } else {
                while (p < format.size() && std::isdigit(static_cast<unsigned char>(format[p])))
                    spec.precision = std::min(spec.precision * 10 + (format[p++] - '0'), 4096);
            }
        }
        // Length modifiers.
        while (p < format.size()) {
            char m = format[p];
            if (m == 'h') {
                spec.lengthBits = spec.lengthBits == 16 ? 8 : 16;
            } else if (m == 'l' || m == 'q' || m == 'z' || m == 'j' || m == 't' || m == 'L') {
                spec.lengthBits = 64;
            } else {
                break;
            }
            ++p;
        }
        if (p >= format.size()) {
            out.append(format.substr(percent));
            break;
        }
        char conversion = format[p];
        i = p + 1;
        switch (conversion) {
        case '%':
            out.push_back('%');
            break;
        case '@': {
            std::string text = take().asText();
            pad(out, text, spec, false);
            break;
        }
        case 's': {
            std::string text = take().asText();
            if (spec.precision >= 0 && text.size() > static_cast<std::size_t>(spec.precision))
                text.resize(static_cast<std::size_t>(spec.precision));
            pad(out, text, spec, false);
            break;
        }
        case 'd':
        case 'i':
        case 'D': {
            const FormatArg& arg = take();
            long long value = arg.kind() == FormatArg::Kind::Unsigned ? static_cast<long long>(arg.asUnsigned())
                                                                       : arg.asSigned();
            value = truncateSigned(value, spec.lengthBits);
            unsigned long long magnitude = value < 0 ? 0ULL - static_cast<unsigned long long>(value)
                                                     : static_cast<unsigned long long>(value);
            pad(out, integerText(magnitude, value < 0, 10, false, spec), spec, spec.precision < 0);
            break;
        }
        case 'u':
        case 'U':
        case 'x':
        case 'X':
        case 'o':
        case 'O': {
            const FormatArg& arg = take();
            unsigned long long value = arg.asUnsigned();
            // A negative int printed with %x shows its 32-bit pattern, as printf does.
            int bits = spec.lengthBits;
            if (arg.kind() == FormatArg::Kind::Signed && bits == 32 && arg.asSigned() < INT32_MIN)
                bits = 64;
            value = truncateUnsigned(value, bits);
            int base = (conversion == 'x' || conversion == 'X') ? 16 : (conversion == 'o' || conversion == 'O') ? 8 : 10;
            pad(out, integerText(value, false, base, conversion == 'X', spec), spec, spec.precision < 0);
            break;
        }
        case 'f':
        case 'F':
        case 'e':
        case 'E':
        case 'g':
        case 'G': {
            pad(out, realText(take().asReal(), conversion, spec), spec, true);
            break;
        }
        case 'c':
        case 'C': {
            std::string text;
            auto code = static_cast<char32_t>(take().asUnsigned() & (conversion == 'c' ? 0xFFu : 0x10FFFFu));
            if (code != 0)
                unicode::appendCodePoint(text, code);
            pad(out, text, spec, false);
            break;
        }
        case 'p': {
            const FormatArg& arg = take();
            auto address = arg.kind() == FormatArg::Kind::Pointer
                               ? reinterpret_cast<std::uintptr_t>(arg.asPointer())
                               : static_cast<std::uintptr_t>(arg.asUnsigned());
            Spec hex = spec;
            hex.alternate = true;
            std::string text = address == 0 ? std::string("0x0") : integerText(address, false, 16, false, hex);
            pad(out, text, spec, false);
            break;
        }
        default:
            // Not a conversion of the dialect: keep the text as written.
            out.append(format.substr(percent, i - percent));
            break;
        }
    }
    return out;
}

} // namespace foundation
