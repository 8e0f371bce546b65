#include "Class/Favourites/Core/KXFolderRecords.h"

#include "Class/Favourites/Core/KXFolderFiling.h"
#include "Platform/Foundation/Dictionary.h"
#include "Platform/Foundation/String.h"

using foundation::Id;
using foundation::MutableArray;
using foundation::Ref;

namespace {

Ref<MutableArray> copyOf(const foundation::Array* folders)
{
    return folders ? MutableArray::create(folders->objects()) : MutableArray::create();
}

} // namespace

long KXFolderRecords::indexOf(const foundation::Array* folders, const Id& folderId)
{
    const std::string wanted = KXFolderFiling::key(folderId);
    if (!folders || wanted.empty())
        return -1;
    for (std::size_t index = 0; index < folders->count(); ++index)
        if (KXFolderFiling::key(folders->objectAtIndex(index)["id"]) == wanted)
            return static_cast<long>(index);
    return -1;
}

Ref<MutableArray> KXFolderRecords::renamed(const foundation::Array* folders, const Id& folderId, const QString& name)
{
    auto list = copyOf(folders);
    const long index = indexOf(folders, folderId);
    if (index < 0)
        return list;
    const auto old = list->objectAtIndex(static_cast<std::size_t>(index)).dictionary();
    auto record = old ? foundation::MutableDictionary::dictionaryWithDictionary(*old) : foundation::MutableDictionary::create();
    record->setObject(Id(name.toStdString()), Id("collect_name"));
    if (record->objectForKey("is_publish").integerValue() != 0)
        record->setObject(Id("1"), Id("is_publish"));
    list->replaceObjectAtIndex(static_cast<std::size_t>(index), Id(Ref<foundation::Dictionary>(record)));
    return list;
}

Ref<MutableArray> KXFolderRecords::without(const foundation::Array* folders, const Id& folderId)
{
    auto list = copyOf(folders);
    const long index = indexOf(folders, folderId);
    if (index >= 0)
        list->removeObjectAtIndex(static_cast<std::size_t>(index));
    return list;
}
