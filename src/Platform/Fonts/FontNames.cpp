#include "Platform/Fonts/FontNames.h"

#include "Platform/Fonts/NameTableLanguages.h"
#include "Platform/Foundation/Unicode.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SFNT_NAMES_H
#include FT_TRUETYPE_IDS_H

#include <cstdlib>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#include <initializer_list>
#include <memory>

namespace fonts {
namespace {

constexpr FT_UShort kFamilyId = 1;
constexpr FT_UShort kSubfamilyId = 2;
constexpr FT_UShort kFullNameId = 4;
constexpr FT_UShort kPostScriptId = 6;
constexpr FT_UShort kTypographicFamilyId = 16;
constexpr FT_UShort kTypographicSubfamilyId = 17;

// One FreeType library per thread: a library may not be used from two threads at once.
class ThreadLibrary {
public:
    ThreadLibrary()
    {
        if (FT_Init_FreeType(&library_) != 0)
            library_ = nullptr;
    }
    ~ThreadLibrary()
    {
        if (library_)
            FT_Done_FreeType(library_);
    }
    ThreadLibrary(const ThreadLibrary&) = delete;
    ThreadLibrary& operator=(const ThreadLibrary&) = delete;
    FT_Library get() const { return library_; }

private:
    FT_Library library_ = nullptr;
};

FT_Library threadLibrary()
{
    thread_local ThreadLibrary library;
    return library.get();
}

// The file mapped into memory for the life of its face: FreeType then reads the few tables naming
// needs without a read call per table.
class MappedFile {
public:
    explicit MappedFile(const std::filesystem::path& file)
    {
        const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            return;
        struct stat info {};
        if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_size > 0) {
            void* data = ::mmap(nullptr, static_cast<std::size_t>(info.st_size), PROT_READ, MAP_PRIVATE, fd, 0);
            if (data != MAP_FAILED) {
                data_ = data;
                size_ = static_cast<std::size_t>(info.st_size);
            }
        }
        ::close(fd);
    }
    ~MappedFile()
    {
        if (data_)
            ::munmap(data_, size_);
    }
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;
    const FT_Byte* bytes() const { return static_cast<const FT_Byte*>(data_); }
    FT_Long size() const { return static_cast<FT_Long>(size_); }

private:
    void* data_ = nullptr;
    std::size_t size_ = 0;
};

struct FaceCloser {
    void operator()(FT_Face face) const { FT_Done_Face(face); }
};
using FacePtr = std::unique_ptr<FT_FaceRec_, FaceCloser>;

// Name records are UTF-16 big-endian; an odd last byte is no unit and is left out.
std::string decodeUtf16BE(const FT_Byte* bytes, FT_UInt length)
{
    std::u16string units(length / 2, u'\0');
    for (std::size_t i = 0; i < units.size(); ++i)
        units[i] = static_cast<char16_t>((bytes[2 * i] << 8) | bytes[2 * i + 1]);
    return foundation::unicode::toUTF8(units);
}

// The upper half of Mac OS Roman.
constexpr char16_t kMacRomanHigh[128] = {
    0x00C4, 0x00C5, 0x00C7, 0x00C9, 0x00D1, 0x00D6, 0x00DC, 0x00E1, 0x00E0, 0x00E2, 0x00E4, 0x00E3, 0x00E5,
    0x00E7, 0x00E9, 0x00E8, 0x00EA, 0x00EB, 0x00ED, 0x00EC, 0x00EE, 0x00EF, 0x00F1, 0x00F3, 0x00F2, 0x00F4,
    0x00F6, 0x00F5, 0x00FA, 0x00F9, 0x00FB, 0x00FC, 0x2020, 0x00B0, 0x00A2, 0x00A3, 0x00A7, 0x2022, 0x00B6,
    0x00DF, 0x00AE, 0x00A9, 0x2122, 0x00B4, 0x00A8, 0x2260, 0x00C6, 0x00D8, 0x221E, 0x00B1, 0x2264, 0x2265,
    0x00A5, 0x00B5, 0x2202, 0x2211, 0x220F, 0x03C0, 0x222B, 0x00AA, 0x00BA, 0x03A9, 0x00E6, 0x00F8, 0x00BF,
    0x00A1, 0x00AC, 0x221A, 0x0192, 0x2248, 0x2206, 0x00AB, 0x00BB, 0x2026, 0x00A0, 0x00C0, 0x00C3, 0x00D5,
    0x0152, 0x0153, 0x2013, 0x2014, 0x201C, 0x201D, 0x2018, 0x2019, 0x00F7, 0x25CA, 0x00FF, 0x0178, 0x2044,
    0x20AC, 0x2039, 0x203A, 0xFB01, 0xFB02, 0x2021, 0x00B7, 0x201A, 0x201E, 0x2030, 0x00C2, 0x00CA, 0x00C1,
    0x00CB, 0x00C8, 0x00CD, 0x00CE, 0x00CF, 0x00CC, 0x00D3, 0x00D4, 0xF8FF, 0x00D2, 0x00DA, 0x00DB, 0x00D9,
    0x0131, 0x02C6, 0x02DC, 0x00AF, 0x02D8, 0x02D9, 0x02DA, 0x00B8, 0x02DD, 0x02DB, 0x02C7,
};

std::string decodeMacRoman(const FT_Byte* bytes, FT_UInt length)
{
    std::string out;
    for (FT_UInt i = 0; i < length; ++i)
        foundation::unicode::appendCodePoint(out, bytes[i] < 0x80 ? bytes[i] : kMacRomanHigh[bytes[i] - 0x80]);
    return out;
}

// One entry of the name table; its text stays inside the face and is decoded only when chosen.
struct NameEntry {
    FT_UShort nameId;
    FT_UShort platformId;
    FT_UShort languageId;
    FT_SfntName raw;
};

bool isUtf16(const FT_SfntName& name)
{
    return name.platform_id == TT_PLATFORM_APPLE_UNICODE
        || (name.platform_id == TT_PLATFORM_MICROSOFT
            && (name.encoding_id == TT_MS_ID_UNICODE_CS || name.encoding_id == TT_MS_ID_SYMBOL_CS
                || name.encoding_id == TT_MS_ID_UCS_4));
}

bool isMacRoman(const FT_SfntName& name)
{
    return name.platform_id == TT_PLATFORM_MACINTOSH && name.encoding_id == TT_MAC_ID_ROMAN;
}

bool decodable(const FT_SfntName& name)
{
    return isUtf16(name) || isMacRoman(name);
}

std::optional<std::string> decode(const FT_SfntName& name)
{
    if (isUtf16(name))
        return decodeUtf16BE(name.string, name.string_len);
    if (isMacRoman(name))
        return decodeMacRoman(name.string, name.string_len);
    return std::nullopt;
}

std::vector<NameEntry> readNameTable(FT_Face face)
{
    std::vector<NameEntry> entries;
    const FT_UInt count = FT_Get_Sfnt_Name_Count(face);
    for (FT_UInt i = 0; i < count; ++i) {
        FT_SfntName name;
        if (FT_Get_Sfnt_Name(face, i, &name) != 0)
            continue;
        switch (name.name_id) {
        case kFamilyId:
        case kSubfamilyId:
        case kFullNameId:
        case kPostScriptId:
        case kTypographicFamilyId:
        case kTypographicSubfamilyId:
            break;
        default:
            continue;
        }
        // Legacy East Asian code pages are left out: the same names come in Unicode too.
        if (decodable(name) && name.string_len > 0)
            entries.push_back({name.name_id, name.platform_id, name.language_id, name});
    }
    return entries;
}

// The default name of the first of `ids` the table has: English on Windows, then English on the
// Mac, then the first entry in table order.
std::optional<std::string> defaultName(const std::vector<NameEntry>& entries, std::initializer_list<FT_UShort> ids)
{
    for (FT_UShort id : ids) {
        const NameEntry* english = nullptr;
        const NameEntry* any = nullptr;
        for (const auto& entry : entries) {
            if (entry.nameId != id)
                continue;
            if (!any)
                any = &entry;
            if (nameLanguageIsEnglish(entry.platformId, entry.languageId)
                && (!english || (entry.platformId == TT_PLATFORM_MICROSOFT && english->platformId != TT_PLATFORM_MICROSOFT)))
                english = &entry;
        }
        if (english)
            return decode(english->raw);
        if (any)
            return decode(any->raw);
    }
    return std::nullopt;
}

std::optional<std::string> localizedName(const std::vector<NameEntry>& entries, std::initializer_list<FT_UShort> ids,
                                         const std::vector<std::string>& languages)
{
    for (const auto& language : languages) {
        const LanguageTag tag = parseLanguageTag(language);
        for (FT_UShort id : ids) {
            for (const auto& entry : entries) {
                if (entry.nameId == id && nameLanguageMatches(entry.platformId, entry.languageId, tag))
                    return decode(entry.raw);
            }
        }
    }
    return defaultName(entries, ids);
}

std::optional<std::string> nonEmpty(const char* text)
{
    if (!text || !*text)
        return std::nullopt;
    return std::string(text);
}

std::string localeToTag(std::string value)
{
    value = value.substr(0, value.find_first_of(".@"));
    if (value.empty() || value == "C" || value == "POSIX")
        return "en";
    for (char& c : value) {
        if (c == '_')
            c = '-';
    }
    return value;
}

} // namespace

std::optional<FontNames> FontNameReader::read(const std::filesystem::path& file,
                                              const std::vector<std::string>& preferredLanguages)
{
    FT_Library library = threadLibrary();
    if (!library)
        return std::nullopt;
    const MappedFile mapped(file);
    if (!mapped.bytes())
        return std::nullopt; // folders, empty and unreadable files
    FT_Face raw = nullptr;
    if (FT_New_Memory_Face(library, mapped.bytes(), mapped.size(), 0, &raw) != 0 || !raw)
        return std::nullopt;
    const FacePtr face(raw); // closed before the mapping goes

    FontNames names;
    const auto entries = readNameTable(face.get());
    names.family = defaultName(entries, {kTypographicFamilyId, kFamilyId});
    names.localizedFamily = localizedName(entries, {kTypographicFamilyId, kFamilyId}, preferredLanguages);
    names.subfamily = defaultName(entries, {kTypographicSubfamilyId, kSubfamilyId});
    names.fullName = defaultName(entries, {kFullNameId});
    names.postScriptName = nonEmpty(FT_Get_Postscript_Name(face.get()));
    // Formats without a name table (Type 1, bitmap fonts) still tell FreeType their names.
    if (!names.family)
        names.family = nonEmpty(face->family_name);
    if (!names.localizedFamily)
        names.localizedFamily = names.family;
    if (!names.subfamily)
        names.subfamily = nonEmpty(face->style_name);
    return names;
}

std::vector<std::string> FontNameReader::preferredLanguages()
{
    std::vector<std::string> languages;
    if (const char* list = std::getenv("LANGUAGE"); list && *list) {
        std::string rest(list);
        std::size_t start = 0;
        while (start <= rest.size()) {
            const auto end = rest.find(':', start);
            const std::string item = rest.substr(start, end == std::string::npos ? std::string::npos : end - start);
            if (!item.empty())
                languages.push_back(localeToTag(item));
            if (end == std::string::npos)
                break;
            start = end + 1;
        }
    }
    if (languages.empty()) {
        for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
            if (const char* value = std::getenv(variable); value && *value) {
                languages.push_back(localeToTag(value));
                break;
            }
        }
    }
    if (languages.empty())
        languages.emplace_back("en");
    return languages;
}

} // namespace fonts
