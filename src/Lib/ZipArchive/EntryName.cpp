#include "Lib/ZipArchive/EntryName.h"

#include "Lib/ZipArchive/EntryNameWeight.h"

#include "Platform/Foundation/Unicode.h"

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <unicode/uchar.h>
#include <unicode/ucnv.h>
#include <unicode/ucsdet.h>
#include <unicode/utf16.h>
#include <vector>

namespace zipentry {

namespace {

constexpr std::uint16_t kUTF8NameFlag = 0x800;

struct ConverterCloser {
    void operator()(UConverter* converter) const { ucnv_close(converter); }
};
struct DetectorCloser {
    void operator()(UCharsetDetector* detector) const { ucsdet_close(detector); }
};

// `raw` in `charset`; false when a byte sequence is illegal or unmapped there. With `plainText`,
// also false when the text holds what no name typed on a keyboard does: control characters,
// private-use or unassigned code points (where legacy encodings put their user-defined areas and
// gaps), or the replacement character.
bool convert(const char* charset, std::string_view raw, std::string& out, bool plainText = false)
{
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<UConverter, ConverterCloser> converter(ucnv_open(charset, &status));
    if (U_FAILURE(status))
        return false;
    ucnv_setToUCallBack(converter.get(), UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
    std::vector<UChar> units(raw.size() * 2 + 1);
    int32_t length = ucnv_toUChars(converter.get(), units.data(), static_cast<int32_t>(units.size()), raw.data(),
                                   static_cast<int32_t>(raw.size()), &status);
    if (U_FAILURE(status))
        return false;
    for (int32_t i = 0; plainText && i < length;) {
        UChar32 c;
        U16_NEXT(units.data(), i, length, c);
        const auto type = static_cast<UCharCategory>(u_charType(c));
        if (type == U_CONTROL_CHAR || type == U_PRIVATE_USE_CHAR || type == U_UNASSIGNED || type == U_SURROGATE || c == 0xFFFD)
            return false;
    }
    out = foundation::unicode::toUTF8(std::u16string_view(reinterpret_cast<const char16_t*>(units.data()),
                                                          static_cast<std::size_t>(length)));
    return true;
}

// Whether GBK bytes of common text is what `raw` most likely is. GB18030 reads almost any run of
// high bytes, Latin-1 words (an accented letter between ASCII ones) and other double-byte
// encodings included, so a reading counts only when at least half of its multi-byte characters
// are in the common set that GBK names are written in: GB2312's symbols and hanzi, both bytes in
// 0xA1-0xFE. An accented Latin letter followed by an ASCII one, or a Shift_JIS kana or kanji (lead
// byte below 0xA1), is not.
bool readsAsCommonGBK(std::string_view raw)
{
    std::size_t multiByte = 0;
    std::size_t common = 0;
    for (std::size_t i = 0; i < raw.size();) {
        const auto lead = static_cast<unsigned char>(raw[i]);
        if (lead < 0x80) {
            ++i;
            continue;
        }
        const auto trail = i + 1 < raw.size() ? static_cast<unsigned char>(raw[i + 1]) : 0;
        ++multiByte;
        if (trail >= 0x30 && trail <= 0x39) {
            i += 4; // a four-byte sequence: rare characters, never common ones
            continue;
        }
        if (((lead >= 0xA1 && lead <= 0xA9) || (lead >= 0xB0 && lead <= 0xF7)) && trail >= 0xA1 && trail <= 0xFE)
            ++common;
        i += 2;
    }
    return multiByte > 0 && common * 2 >= multiByte;
}

struct LocaleName {
    std::string_view language;
    std::string_view territory;
};

LocaleName splitLocale(std::string_view locale)
{
    locale = locale.substr(0, locale.find_first_of(".@"));
    const auto separator = locale.find_first_of("_-");
    if (separator == std::string_view::npos)
        return {locale, {}};
    return {locale.substr(0, separator), locale.substr(separator + 1)};
}

struct LocaleCharset {
    const char* converter;
    NameCharset weighedAs;
};

// The legacy encodings a user of `locale` meets in archive names, when they are not the client's
// own: each is a double-byte encoding whose names GB18030 would also read.
std::vector<LocaleCharset> localeCharsets(std::string_view locale)
{
    const auto [language, territory] = splitLocale(locale);
    if (language == "zh") {
        if (territory == "HK" || territory == "MO")
            return {{"Big5-HKSCS", NameCharset::Big5}, {"Big5", NameCharset::Big5}};
        if (territory == "TW")
            return {{"Big5", NameCharset::Big5}};
        return {}; // simplified Chinese: GB18030 already
    }
    if (language == "ja")
        return {{"Shift_JIS", NameCharset::ShiftJIS}};
    if (language == "ko")
        return {{"windows-949", NameCharset::Korean}}; // EUC-KR and its Windows extension
    return {};
}

// The same bytes are often a common name in two encodings (a Big5 or Korean name of everyday
// characters is one in GBK too); there the locale's own encoding is taken, being some ten times
// likelier for its user. A GBK name whose characters are everyday ones only in GBK still wins.
constexpr double kLocaleCharsetPreference = 3.5;

// The likeliest of the clean readings: the locale's encodings, GB18030 when the bytes are mostly
// common GBK, and code page 437 for names from MS-DOS hosts. Each is weighed by how common its
// characters are in its encoding's everyday set; the cheapest reading that converts wins, so
// usually one conversion is all it takes.
bool convertLikeliest(std::string_view raw, std::string_view locale, bool dosHost, std::string& out)
{
    struct Reading {
        const char* converter;
        double cost;
        bool plainText;
    };
    std::vector<Reading> readings;
    for (const auto& charset : localeCharsets(locale))
        readings.push_back({charset.converter, nameCost(charset.weighedAs, raw) - kLocaleCharsetPreference, true});
    if (readsAsCommonGBK(raw))
        readings.push_back({"GB18030", nameCost(NameCharset::GB18030, raw), true});
    if (dosHost)
        readings.push_back({"ibm-437", nameCost(NameCharset::CodePage437, raw), false});
    std::stable_sort(readings.begin(), readings.end(),
                     [](const Reading& a, const Reading& b) { return a.cost < b.cost; });
    for (const Reading& reading : readings)
        if (convert(reading.converter, raw, out, reading.plainText))
            return true;
    return false;
}

bool detectAndConvert(std::string_view raw, std::string& out)
{
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<UCharsetDetector, DetectorCloser> detector(ucsdet_open(&status));
    if (U_FAILURE(status))
        return false;
    ucsdet_setText(detector.get(), raw.data(), static_cast<int32_t>(raw.size()), &status);
    int32_t count = 0;
    const UCharsetMatch** matches = ucsdet_detectAll(detector.get(), &count, &status);
    if (U_FAILURE(status) || !matches)
        return false;
    // Best guess first; a guess whose decoding fails on these bytes is no guess, and names in an
    // archive are never in the 16- or 32-bit encodings, whatever a short sample suggests.
    for (int32_t i = 0; i < count; ++i) {
        UErrorCode nameStatus = U_ZERO_ERROR;
        const char* charset = ucsdet_getName(matches[i], &nameStatus);
        if (U_FAILURE(nameStatus) || !charset)
            continue;
        std::string_view name(charset);
        if (name.starts_with("UTF-16") || name.starts_with("UTF-32"))
            continue;
        if (convert(charset, raw, out))
            return true;
    }
    return false;
}

} // namespace

std::string userLocale()
{
    for (const char* variable : {"LC_ALL", "LC_CTYPE", "LANG"})
        if (const char* value = std::getenv(variable); value && *value)
            return value;
    return {};
}

std::string decodeName(std::string_view raw, std::uint16_t versionMadeBy, std::uint16_t flag)
{
    return decodeName(raw, versionMadeBy, flag, userLocale());
}

std::string decodeName(std::string_view raw, std::uint16_t versionMadeBy, std::uint16_t flag, std::string_view locale)
{
    std::string text;
    const bool dosNames = versionMadeBy < 256 && !(flag & kUTF8NameFlag);
    const bool ascii = std::all_of(raw.begin(), raw.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    if (dosNames && ascii && convert("ibm-437", raw, text))
        return text;
    if (!dosNames && foundation::unicode::isValidUTF8(raw))
        return std::string(raw);
    if (convertLikeliest(raw, locale, dosNames, text))
        return text;
    if (detectAndConvert(raw, text))
        return text;
    return hexString(raw);
}

std::string hexString(std::string_view bytes)
{
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(bytes.size() * 2);
    for (unsigned char byte : bytes) {
        text.push_back(kDigits[byte >> 4]);
        text.push_back(kDigits[byte & 0x0F]);
    }
    return text;
}

} // namespace zipentry
