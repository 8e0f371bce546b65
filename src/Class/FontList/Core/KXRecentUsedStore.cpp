#include "Class/FontList/Core/KXRecentUsedStore.h"

#include "Class/ServiceCore/UnitTools/KXFileManager.h"
#include "Class/ServiceCore/UnitTools/KXReplyShape.h"
#include "Platform/Foundation/Array.h"
#include "Platform/Foundation/Dictionary.h"
#include "Platform/Foundation/String.h"

#include <algorithm>

using foundation::Id;
using foundation::MutableDictionary;
using foundation::Ref;

namespace {

const Ref<foundation::String>& archiveKey()
{
    static const auto key = foundation::String::create(KXRecentUsedStore::kArchiveKey);
    return key;
}

std::vector<std::string> split(const Id& archive)
{
    std::vector<std::string> ids;
    const auto active = archive[KXRecentUsedStore::kActiveKey].string();
    if (!active)
        return ids;
    const auto parts = active->componentsSeparatedByString(",");
    for (const Id& part : *parts)
        ids.push_back(part.stringValue());
    return ids;
}

} // namespace

void KXRecentUsedStore::replaceWithServiceList(const Id& payload)
{
    static const KXReplyShape shape = KXReplyShape::dictionary({{kActiveKey, KXReplyShape::field()}});
    const Id kept = shape.keep(payload);
    if (kept.dictionary())
        KXFileManager::sharedKXFileManager().writeEncryptDataInBackground(kept, archiveKey());
}

std::vector<std::string> KXRecentUsedStore::recentIds()
{
    return split(KXFileManager::sharedKXFileManager().returnDecryptDataByPathKey(archiveKey()));
}

void KXRecentUsedStore::addRecentUsed(std::string_view fontid)
{
    auto& files = KXFileManager::sharedKXFileManager();
    const Id archive = files.returnDecryptDataByPathKey(archiveKey());
    std::vector<std::string> ids = split(archive);
    std::erase(ids, std::string(fontid));
    ids.insert(ids.begin(), std::string(fontid));

    std::string joined;
    for (std::size_t i = 0; i < ids.size(); ++i)
        joined += (i ? "," : "") + ids[i];
    const auto written = archive.is<foundation::Dictionary>() ? archive.mutableCopy().as<MutableDictionary>() : MutableDictionary::create();
    written->setObject(Id(joined), Id(kActiveKey));
    files.writeEncryptDataWithDictionary(Id(written), archiveKey());
}
