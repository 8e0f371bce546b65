#include "Class/ServiceCore/Fonts/KXHomeLocalManager.h"

#include "Class/ServiceCore/Fonts/KXFontNameCache.h"
#include "Class/ServiceCore/Fonts/KXLocalFontIndex.h"
#include "Platform/Fonts/FontNames.h"
#include "Platform/Foundation/Dictionary.h"
#include "Platform/Foundation/String.h"
#include "Platform/Storage/Paths.h"

#include <string>
#include <vector>

using foundation::Id;
using foundation::Ref;

namespace {

constexpr std::size_t kMinimumEntries = 3;

} // namespace

KXHomeLocalManager::Folders KXHomeLocalManager::systemFolders()
{
    return {foundation::Paths::userFontsDirectory(), "/usr/local/share/fonts", "/usr/share/fonts"};
}

KXHomeLocalManager::KXHomeLocalManager()
    : KXHomeLocalManager(systemFolders())
{
}

KXHomeLocalManager::KXHomeLocalManager(Folders folders, KXFontNameCache* nameCache)
    : folders_(std::move(folders))
    , nameCache_(nameCache)
{
}

KXHomeLocalManager::~KXHomeLocalManager() = default;

Ref<foundation::Array> KXHomeLocalManager::keptLocalFonts()
{
    auto& index = KXLocalFontIndex::shared();
    const auto languages = fonts::FontNameReader::preferredLanguages();
    std::vector<Ref<foundation::Array>> parts{index.folder(folders_.user, languages).records};
    if (auto computer = index.folder(folders_.computer, languages); computer.entries >= kMinimumEntries)
        parts.push_back(computer.records);
    else if (auto system = index.folder(folders_.system, languages); system.entries >= kMinimumEntries)
        parts.push_back(system.records);
    const std::string key = folders_.user.string() + '\n' + folders_.computer.string() + '\n' + folders_.system.string();
    return index.joined(key, parts);
}

Ref<foundation::MutableArray> KXHomeLocalManager::localFontsArray()
{
    auto list = foundation::MutableArray::create(keptLocalFonts()->objects());
    localFontsArray_ = list;
    return list;
}

Ref<foundation::MutableArray> KXHomeLocalManager::recentLocalFontsArray()
{
    auto& cache = nameCache_ ? *nameCache_ : KXFontNameCache::shared();
    auto list = foundation::MutableArray::create();
    const auto entries = cache.entries();
    for (const auto& element : *entries) {
        auto dictionary = element.as<foundation::Dictionary>();
        if (dictionary && !dictionary->empty() && dictionary->entries().front().value)
            list->addObject(dictionary->entries().front().value);
    }
    recentLocalFontsArray_ = list;
    return list;
}
