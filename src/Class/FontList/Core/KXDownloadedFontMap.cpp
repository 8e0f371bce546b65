#include "Class/FontList/Core/KXDownloadedFontMap.h"

#include "Class/ServiceCore/UnitTools/KXStateFile.h"
#include "Platform/Foundation/Data.h"
#include "Platform/Foundation/Error.h"
#include "Platform/Foundation/PrivateFiles.h"
#include "Platform/Serialization/PropertyListSerialization.h"
#include "Platform/Storage/Paths.h"

#include <sys/stat.h>

#include <cstdio>

using foundation::Dictionary;
using foundation::Id;
using foundation::MutableDictionary;
using foundation::Ref;

KXDownloadedFontMap& KXDownloadedFontMap::shared()
{
    static KXDownloadedFontMap map(defaultFile());
    return map;
}

std::filesystem::path KXDownloadedFontMap::defaultFile()
{
    return foundation::Paths::cacheDirectory() / "KXFonts" / kFileName;
}

KXDownloadedFontMap::KXDownloadedFontMap(std::filesystem::path file)
    : file_(std::move(file))
    , map_(Dictionary::create())
{
}

std::optional<KXDownloadedFontMap::Stamp> KXDownloadedFontMap::stampOfFile() const
{
    struct stat info {};
    if (::stat(file_.c_str(), &info) != 0)
        return std::nullopt;
    return Stamp{info.st_dev, info.st_ino, info.st_size,
                 static_cast<long long>(info.st_mtim.tv_sec) * 1'000'000'000LL + info.st_mtim.tv_nsec};
}

void KXDownloadedFontMap::refresh()
{
    const auto stamp = stampOfFile();
    if (loadedStamp_ && *loadedStamp_ == stamp)
        return;
    loadedStamp_ = stamp;
    map_ = Dictionary::create();
    damaged_ = false;
    if (!stamp)
        return;
    const auto data = foundation::Data::dataWithContentsOfRegularFile(file_, KXStateFile::kMaxBytes);
    const Id plist = data ? foundation::PropertyListSerialization::propertyListWithData(data, 0) : Id();
    if (const auto dictionary = plist.as<Dictionary>())
        map_ = std::static_pointer_cast<Dictionary>(dictionary->copy());
    else
        damaged_ = true;
}

Ref<Dictionary> KXDownloadedFontMap::map()
{
    refresh();
    return map_;
}

Ref<foundation::String> KXDownloadedFontMap::pathForFontname(std::string_view fontname)
{
    const auto path = map()->objectForKey(fontname).as<foundation::String>();
    return path && path->length() > 0 ? path : nullptr;
}

bool KXDownloadedFontMap::update(const std::function<void(MutableDictionary&)>& change)
{
    refresh();
    const auto changed = MutableDictionary::dictionaryWithDictionary(*map_);
    change(*changed);
    Ref<foundation::Error> error;
    const auto data = foundation::PropertyListSerialization::dataWithPropertyList(Id(changed), foundation::PropertyListXMLFormat_v1_0, 0, &error);
    // The fonts the damaged file names are still installed: whoever wants them back needs its bytes.
    if (data && damaged_)
        KXStateFile::setAside(file_);
    if (!data || !foundation::PrivateFiles::writeFile(file_, data->span(), &error)) {
        std::fprintf(stderr, "fontsPlist.plist: not written: %s\n", error ? error->description().c_str() : "");
        return false;
    }
    map_ = std::static_pointer_cast<Dictionary>(changed->copy());
    loadedStamp_ = stampOfFile();
    damaged_ = false;
    return true;
}

bool KXDownloadedFontMap::setPathForFontname(std::string_view fontname, std::string_view path)
{
    return update([&](MutableDictionary& map) { map.setObject(Id(path), Id(fontname)); });
}

bool KXDownloadedFontMap::removeFontname(std::string_view fontname)
{
    return update([&](MutableDictionary& map) { map.removeObjectForKey(Id(fontname)); });
}
