#include "Class/SearchFilter/Core/KXSearchHistory.h"

#include "Class/ServiceCore/UnitTools/KXStateFile.h"
#include "Platform/Foundation/Data.h"
#include "Platform/Foundation/Error.h"
#include "Platform/Foundation/PrivateFiles.h"
#include "Platform/Serialization/PropertyListSerialization.h"
#include "Platform/Storage/Paths.h"

#include <cstdio>

using foundation::Id;
using foundation::MutableArray;
using foundation::Ref;

std::filesystem::path KXSearchHistory::defaultFile()
{
    return foundation::Paths::cacheDirectory() / "KXFonts" / kFileName;
}

KXSearchHistory::KXSearchHistory(std::filesystem::path file)
    : file_(std::move(file))
    , entries_(read(file_))
{
}

Ref<MutableArray> KXSearchHistory::read(const std::filesystem::path& file)
{
    auto entries = MutableArray::create();
    const auto data = foundation::Data::dataWithContentsOfRegularFile(file, KXStateFile::kMaxBytes);
    if (!data || data->length() == 0)
        return entries;
    const Id plist = foundation::PropertyListSerialization::propertyListWithData(data, 0);
    if (const auto array = plist.as<foundation::Array>()) {
        for (const Id& entry : *array)
            if (const auto text = entry.as<foundation::String>())
                entries->addObject(Id(text));
    }
    return entries;
}

void KXSearchHistory::add(std::string_view text)
{
    if (text.empty())
        return;
    const Id entry(foundation::String::create(text));
    const bool present = entries_->containsObject(entry);
    if (entries_->count() >= kLimit && !present) {
        while (entries_->count() > kLimit - 1)
            entries_->removeLastObject();
    }
    entries_->removeObject(entry);
    entries_->insertObject(entry, 0);
}

void KXSearchHistory::clear()
{
    entries_ = MutableArray::create();
}

bool KXSearchHistory::write() const
{
    Ref<foundation::Error> error;
    const auto data = foundation::PropertyListSerialization::dataWithPropertyList(Id(entries_), foundation::PropertyListXMLFormat_v1_0, 0, &error);
    if (!data || !foundation::PrivateFiles::writeFile(file_, data->span(), &error)) {
        std::fprintf(stderr, "%s: not written: %s\n", kFileName, error ? error->description().c_str() : "");
        return false;
    }
    return true;
}
