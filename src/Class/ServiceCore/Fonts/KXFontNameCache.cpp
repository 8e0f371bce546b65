#include "Class/ServiceCore/Fonts/KXFontNameCache.h"

#include "Class/ServiceCore/UnitTools/KXStateFile.h"
#include "Platform/Foundation/Data.h"
#include "Platform/Foundation/PrivateFiles.h"
#include "Platform/Foundation/String.h"
#include "Platform/Serialization/PropertyListSerialization.h"
#include "Platform/Storage/Paths.h"

#include <system_error>

using foundation::Id;
using foundation::Ref;

namespace {

// The path key of a one-entry element, or "" for an element of another shape.
std::string elementPath(const Id& element)
{
    auto dictionary = element.as<foundation::Dictionary>();
    if (!dictionary || dictionary->empty())
        return {};
    auto key = dictionary->entries().front().key.as<foundation::String>();
    return key ? key->utf8() : std::string();
}

// The elements of a cache as the client writes it, in a new mutable array; nil when `list` is not
// an array of one-entry dictionaries {path: record of at most kMaxRecordEntries texts}, or when its
// texts come to more than the state-file limit (counted per element, so shared references count
// every time: that is what writing the cache back would cost).
Ref<foundation::MutableArray> wellFormed(const Id& list)
{
    constexpr std::size_t kMaxRecordEntries = 8;
    constexpr std::uintmax_t kElementOverhead = 16;
    const auto* array = list.ptr<foundation::Array>();
    if (!array)
        return nullptr;
    std::uintmax_t bytes = 0;
    for (const Id& element : *array) {
        const auto* dictionary = element.ptr<foundation::Dictionary>();
        if (!dictionary || dictionary->count() != 1)
            return nullptr;
        const auto& entry = dictionary->entries().front();
        const auto* path = entry.key.ptr<foundation::String>();
        const auto* record = entry.value.ptr<foundation::Dictionary>();
        if (!path || !record || record->count() > kMaxRecordEntries)
            return nullptr;
        bytes += kElementOverhead + path->utf8().size();
        for (const auto& field : *record) {
            const auto* name = field.key.ptr<foundation::String>();
            const auto* value = field.value.ptr<foundation::String>();
            if (!name || !value)
                return nullptr;
            bytes += name->utf8().size() + value->utf8().size();
        }
        if (bytes > KXStateFile::kMaxBytes)
            return nullptr;
    }
    return foundation::MutableArray::create(array->objects());
}

std::size_t indexOfPath(const foundation::Array& array, const std::string& path)
{
    for (std::size_t i = 0; i < array.count(); ++i) {
        if (elementPath(array.objectAtIndex(i)) == path)
            return i;
    }
    return foundation::NSNotFound;
}

} // namespace

KXFontNameCache& KXFontNameCache::shared()
{
    static KXFontNameCache cache(defaultFile());
    return cache;
}

std::filesystem::path KXFontNameCache::defaultFile()
{
    return foundation::Paths::cacheDirectory() / "KXFonts" / "fontName.plist";
}

KXFontNameCache::KXFontNameCache(std::filesystem::path file)
    : file_(std::move(file))
{
}

bool KXFontNameCache::stampOf(const std::string& path, Stamp& stamp)
{
    std::error_code ec;
    stamp.size = std::filesystem::file_size(path, ec);
    if (ec)
        return false;
    stamp.modified = std::filesystem::last_write_time(path, ec);
    return !ec;
}

Ref<foundation::MutableArray> KXFontNameCache::load() const
{
    auto data = KXStateFile::read(file_);
    if (!data)
        return foundation::MutableArray::create();
    // Read immutable: a reference repeated in a binary list stays one shared object, so a small
    // file cannot unfold into a huge cache. Only the outer array is made mutable.
    const Id list = foundation::PropertyListSerialization::propertyListWithData(data, foundation::PropertyListImmutable);
    if (auto elements = wellFormed(list))
        return elements;
    KXStateFile::setAside(file_);
    return foundation::MutableArray::create();
}

void KXFontNameCache::save(const Ref<foundation::MutableArray>& array) const
{
    auto data = foundation::PropertyListSerialization::dataWithPropertyList(Id(array),
                                                                           foundation::PropertyListXMLFormat_v1_0);
    if (!data)
        return;
    // A cache that cannot be written is named again next time; nothing else depends on it.
    foundation::PrivateFiles::writeFile(file_, data->span());
}

bool KXFontNameCache::isStale(const std::string& path)
{
    Stamp now;
    if (!stampOf(path, now))
        return false; // a file that went away keeps its record, as callers look names up by path
    const auto known = stamps_.find(path);
    if (known != stamps_.end())
        return !(known->second == now);
    std::error_code ec;
    const auto cacheWritten = std::filesystem::last_write_time(file_, ec);
    return !ec && now.modified > cacheWritten;
}

Ref<foundation::Dictionary> KXFontNameCache::recordForPath(const std::string& path)
{
    std::lock_guard lock(mutex_);
    auto array = load();
    const auto index = indexOfPath(*array, path);
    if (index == foundation::NSNotFound)
        return nullptr;
    Id element = array->objectAtIndex(index);
    array->removeObjectAtIndex(index);
    if (isStale(path)) {
        save(array);
        return nullptr;
    }
    array->insertObject(element, 0);
    save(array);
    Stamp stamp;
    if (stampOf(path, stamp))
        stamps_[path] = stamp;
    // A copy of its own for the caller, as the record was read immutable.
    const auto record = element.as<foundation::Dictionary>()->entries().front().value.as<foundation::Dictionary>();
    return foundation::MutableDictionary::dictionaryWithDictionary(*record);
}

void KXFontNameCache::insertRecord(const std::string& path, const Ref<foundation::Dictionary>& record)
{
    if (!record)
        return;
    std::lock_guard lock(mutex_);
    auto array = load();
    if (const auto index = indexOfPath(*array, path); index != foundation::NSNotFound)
        array->removeObjectAtIndex(index);
    array->insertObject(Id(foundation::Dictionary::create({{Id(path), Id(record)}})), 0);
    save(array);
    Stamp stamp;
    if (stampOf(path, stamp))
        stamps_[path] = stamp;
}

Ref<foundation::MutableArray> KXFontNameCache::entries() const
{
    std::lock_guard lock(mutex_);
    return load();
}
