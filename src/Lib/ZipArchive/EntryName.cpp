#include "Lib/ZipArchive/EntryName.h"

#include "Platform/Foundation/Unicode.h"

#include <memory>
#include <unicode/ucnv.h>
#include <unicode/ucsdet.h>
#include <unicode/ustring.h>
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

bool convert(const char* charset, std::string_view raw, std::string& out)
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
    out = foundation::unicode::toUTF8(std::u16string_view(reinterpret_cast<const char16_t*>(units.data()),
                                                          static_cast<std::size_t>(length)));
    return true;
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

std::string decodeName(std::string_view raw, std::uint16_t versionMadeBy, std::uint16_t flag)
{
    std::string text;
    if (versionMadeBy < 256 && !(flag & kUTF8NameFlag) && convert("ibm-437", raw, text))
        return text;
    if (foundation::unicode::isValidUTF8(raw))
        return std::string(raw);
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
