#include "Lib/ZipArchive/EntryNameWeight.h"

#include <cstddef>

namespace zipentry {

namespace {

// Each cost is -log2(share / size) for a class of `size` characters that holds `share` of the
// characters of names written in that encoding. The shares are rough; what matters is that the
// everyday set of each encoding costs about the same, and far less than the rest.

// Bytes the encoding cannot hold, and the corners of an encoding no name reaches for.
constexpr double kNameCostRare = 20.0;

// ASCII, about 64 characters: a third of a name in a double-byte encoding, nine tenths of a name
// in code page 437. Charging it tells a name that is mostly ASCII apart, and an ASCII byte that a
// double-byte reading takes as the second half of a character costs in the reading that keeps it.
constexpr double kDoubleByteASCII = 7.7;
constexpr double kDOSASCII = 6.2;

// GBK, as GB18030 reads it: GB2312's 3,755 level-1 hanzi (92%), its punctuation and full-width
// rows (188, 6%), its other symbol rows: kana, Greek, Cyrillic, box drawing (about 500, 1%),
// its 3,008 level-2 hanzi (1%), GBK's own extension areas (about 14,000, 0.2%); four-byte
// sequences are rarer still.
constexpr double kGBKLevel1 = 12.0;
constexpr double kGBKPunctuation = 11.6;
constexpr double kGBKSymbols = 15.6;
constexpr double kGBKLevel2 = 18.2;
constexpr double kGBKExtension = 22.7;
constexpr double kGBKFourByte = 30.0;

// Big5: the 5,401 frequently used hanzi (88%), the punctuation row (157, 6%), the other symbol
// rows (about 250, 1%), the 7,652 less frequently used hanzi (4%).
constexpr double kBig5Frequent = 12.6;
constexpr double kBig5Punctuation = 11.4;
constexpr double kBig5Symbols = 14.6;
constexpr double kBig5LessFrequent = 17.5;

// Shift_JIS: JIS level-1 kanji (2,965, 45%), full-width hiragana and katakana (169, 30%),
// half-width katakana, one byte each (58, 20%), symbols, full-width letters and half-width
// punctuation (about 450, 4%), JIS level-2 kanji (3,390, 1%).
constexpr double kSJISLevel1 = 12.7;
constexpr double kSJISKana = 9.1;
constexpr double kSJISHalfWidthKana = 8.2;
constexpr double kSJISSymbols = 13.5;
constexpr double kSJISLevel2 = 18.4;

// EUC-KR and its Windows extension: the 2,350 hangul of KS X 1001 (85%), its punctuation and
// full-width rows (188, 3%), its other symbol rows: lone jamo, kana, Greek (about 900, 1%), the
// 8,822 hangul the extension adds (9%), the 4,888 hanja (2%).
constexpr double kKoreanHangul = 11.4;
constexpr double kKoreanPunctuation = 12.6;
constexpr double kKoreanSymbols = 16.5;
constexpr double kKoreanExtendedHangul = 16.6;
constexpr double kKoreanHanja = 17.9;

// Code page 437, in the tenth of a name that is not ASCII: accented letters and ß (34, 85%),
// currency, fractions, Greek and mathematical signs (46, 14%), box drawing and blocks (48, 0.2%):
// a name is seldom drawn in lines.
constexpr double kDOSLetter = 8.6;
constexpr double kDOSSymbol = 11.7;
constexpr double kDOSBoxDrawing = 17.9;

constexpr bool inRange(unsigned value, unsigned low, unsigned high)
{
    return value >= low && value <= high;
}

unsigned char byteAt(std::string_view raw, std::size_t index)
{
    return index < raw.size() ? static_cast<unsigned char>(raw[index]) : 0;
}

double gb18030Cost(std::string_view raw)
{
    double cost = 0;
    for (std::size_t i = 0; i < raw.size();) {
        const unsigned lead = byteAt(raw, i);
        const unsigned trail = byteAt(raw, i + 1);
        if (lead < 0x80) {
            cost += kDoubleByteASCII;
            ++i;
        } else if (lead == 0x80 || lead == 0xFF) {
            cost += kNameCostRare;
            ++i;
        } else if (inRange(trail, 0x30, 0x39)) {
            cost += kGBKFourByte;
            i += 4;
        } else {
            const bool gb2312Trail = inRange(trail, 0xA1, 0xFE);
            if (gb2312Trail && inRange(lead, 0xB0, 0xD7))
                cost += kGBKLevel1;
            else if (gb2312Trail && inRange(lead, 0xD8, 0xF7))
                cost += kGBKLevel2;
            else if (gb2312Trail && (lead == 0xA1 || lead == 0xA3))
                cost += kGBKPunctuation;
            else if (gb2312Trail && inRange(lead, 0xA2, 0xA9))
                cost += kGBKSymbols;
            else
                cost += kGBKExtension;
            i += 2;
        }
    }
    return cost;
}

double big5Cost(std::string_view raw)
{
    double cost = 0;
    for (std::size_t i = 0; i < raw.size();) {
        const unsigned lead = byteAt(raw, i);
        if (lead < 0x80) {
            cost += kDoubleByteASCII;
            ++i;
            continue;
        }
        if (lead == 0x80 || lead == 0xFF) {
            cost += kNameCostRare;
            ++i;
            continue;
        }
        const unsigned code = lead << 8 | byteAt(raw, i + 1);
        if (inRange(code, 0xA440, 0xC67E))
            cost += kBig5Frequent;
        else if (inRange(code, 0xC940, 0xF9D5))
            cost += kBig5LessFrequent;
        else if (lead == 0xA1)
            cost += kBig5Punctuation;
        else if (inRange(code, 0xA240, 0xA3BF))
            cost += kBig5Symbols;
        else
            cost += kNameCostRare;
        i += 2;
    }
    return cost;
}

double shiftJISCost(std::string_view raw)
{
    double cost = 0;
    for (std::size_t i = 0; i < raw.size();) {
        const unsigned lead = byteAt(raw, i);
        if (lead < 0x80) {
            cost += kDoubleByteASCII;
            ++i;
            continue;
        }
        if (inRange(lead, 0xA1, 0xDF)) {
            cost += lead >= 0xA6 ? kSJISHalfWidthKana : kSJISSymbols;
            ++i;
            continue;
        }
        if (!inRange(lead, 0x81, 0x9F) && !inRange(lead, 0xE0, 0xFC)) {
            cost += kNameCostRare;
            ++i;
            continue;
        }
        const unsigned code = lead << 8 | byteAt(raw, i + 1);
        if (inRange(code, 0x889F, 0x9872))
            cost += kSJISLevel1;
        else if (inRange(code, 0x829F, 0x82F1) || inRange(code, 0x8340, 0x8396))
            cost += kSJISKana;
        else if (inRange(code, 0x8140, 0x84BE))
            cost += kSJISSymbols;
        else if (inRange(code, 0x989F, 0xEAA4))
            cost += kSJISLevel2;
        else
            cost += kNameCostRare;
        i += 2;
    }
    return cost;
}

double koreanCost(std::string_view raw)
{
    double cost = 0;
    for (std::size_t i = 0; i < raw.size();) {
        const unsigned lead = byteAt(raw, i);
        const unsigned trail = byteAt(raw, i + 1);
        if (lead < 0x80) {
            cost += kDoubleByteASCII;
            ++i;
            continue;
        }
        if (lead == 0x80 || lead == 0xFF) {
            cost += kNameCostRare;
            ++i;
            continue;
        }
        if (inRange(trail, 0xA1, 0xFE) && lead >= 0xA1) {
            if (inRange(lead, 0xB0, 0xC8))
                cost += kKoreanHangul;
            else if (inRange(lead, 0xCA, 0xFD))
                cost += kKoreanHanja;
            else if (lead == 0xA1 || lead == 0xA3)
                cost += kKoreanPunctuation;
            else if (lead <= 0xAC)
                cost += kKoreanSymbols;
            else
                cost += kNameCostRare;
        } else {
            cost += lead <= 0xC6 ? kKoreanExtendedHangul : kNameCostRare;
        }
        i += 2;
    }
    return cost;
}

double codePage437Cost(std::string_view raw)
{
    double cost = 0;
    for (const char c : raw) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x80)
            cost += kDOSASCII;
        else if (inRange(byte, 0x80, 0x9A) || inRange(byte, 0xA0, 0xA5) || byte == 0xE1)
            cost += kDOSLetter;
        else if (inRange(byte, 0xB0, 0xDF))
            cost += kDOSBoxDrawing;
        else
            cost += kDOSSymbol;
    }
    return cost;
}

} // namespace

double nameCost(NameCharset charset, std::string_view raw)
{
    switch (charset) {
    case NameCharset::GB18030:
        return gb18030Cost(raw);
    case NameCharset::Big5:
        return big5Cost(raw);
    case NameCharset::ShiftJIS:
        return shiftJISCost(raw);
    case NameCharset::Korean:
        return koreanCost(raw);
    case NameCharset::CodePage437:
        return codePage437Cost(raw);
    }
    return 0;
}

} // namespace zipentry
