#include "Class/FontList/Core/KXInstalledFontFiles.h"

#include "Class/ServiceCore/UnitTools/KXStateFile.h"
#include "Platform/Foundation/Data.h"
#include "Platform/Foundation/Dictionary.h"
#include "Platform/Foundation/Error.h"
#include "Platform/Foundation/Format.h"
#include "Platform/Foundation/PrivateFiles.h"
#include "Platform/Serialization/PropertyListSerialization.h"
#include "Platform/Storage/Paths.h"

#include <sys/stat.h>

#include <cstdio>

using foundation::Dictionary;
using foundation::Id;
using foundation::MutableDictionary;
using foundation::Ref;

namespace {

// The file as it is now, in one text; empty when it is no regular file (a link is never ours: the
// installer renames plain files into place). The change time moves with every rename, chmod or
// write, which no one can set back, so a file put back under the same name with the same size and
// modification time still differs.
std::string stampOf(const std::filesystem::path& file)
{
    struct stat info {};
    if (::lstat(file.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        return {};
    auto nanoseconds = [](const timespec& time) {
        return static_cast<long long>(time.tv_sec) * 1'000'000'000LL + time.tv_nsec;
    };
    return foundation::format("%llu:%llu:%lld:%lld:%lld", static_cast<unsigned long long>(info.st_dev),
                              static_cast<unsigned long long>(info.st_ino), static_cast<long long>(info.st_size),
                              nanoseconds(info.st_mtim), nanoseconds(info.st_ctim));
}

bool belongsTo(const Id& entry, const KXInstalledFontFiles::Font& font)
{
    return entry["fontid"].integerValue() == font.fontid && entry["fontname"].stringValue() == font.fontname;
}

bool unchanged(const std::string& path, const Id& entry)
{
    const std::string stamp = stampOf(path);
    return !stamp.empty() && entry["stamp"].stringValue() == stamp;
}

Ref<Dictionary> readRecord(const std::filesystem::path& file)
{
    const auto data = foundation::Data::dataWithContentsOfRegularFile(file, KXStateFile::kMaxBytes);
    const Id plist = data ? foundation::PropertyListSerialization::propertyListWithData(data, 0) : Id();
    const auto record = plist.as<Dictionary>();
    return record ? record : Dictionary::create();
}

} // namespace

KXInstalledFontFiles& KXInstalledFontFiles::shared()
{
    static KXInstalledFontFiles record(defaultFile());
    return record;
}

std::filesystem::path KXInstalledFontFiles::defaultFile()
{
    return foundation::Paths::cacheDirectory() / "KXFonts" / kFileName;
}

KXInstalledFontFiles::KXInstalledFontFiles(std::filesystem::path file)
    : file_(std::move(file))
{
}

std::set<std::filesystem::path> KXInstalledFontFiles::filesOf(const Font& font) const
{
    std::set<std::filesystem::path> files;
    const auto record = readRecord(file_);
    for (const auto& entry : *record) {
        const std::string path = entry.key.stringValue();
        if (!path.empty() && belongsTo(entry.value, font) && unchanged(path, entry.value))
            files.insert(path);
    }
    return files;
}

bool KXInstalledFontFiles::recordWritten(const Font& font, const std::vector<std::filesystem::path>& written)
{
    const auto record = MutableDictionary::create();
    const auto before = readRecord(file_);
    for (const auto& entry : *before)
        if (entry.key.string() && unchanged(entry.key.stringValue(), entry.value))
            record->setObject(entry.value, entry.key);
    for (const auto& file : written) {
        const std::string stamp = stampOf(file);
        if (stamp.empty())
            continue;
        record->setObject(Id(MutableDictionary::create({{Id("fontid"), Id(font.fontid)},
                                                        {Id("fontname"), Id(font.fontname)},
                                                        {Id("stamp"), Id(stamp)}})),
                          Id(file.string()));
    }
    Ref<foundation::Error> error;
    const auto data = foundation::PropertyListSerialization::dataWithPropertyList(
        Id(record), foundation::PropertyListXMLFormat_v1_0, 0, &error);
    if (!data || !foundation::PrivateFiles::writeFile(file_, data->span(), &error)) {
        std::fprintf(stderr, "%s: not written: %s\n", kFileName, error ? error->description().c_str() : "");
        return false;
    }
    return true;
}
