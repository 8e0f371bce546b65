#include "Class/ServiceCore/Fonts/KXHomeLocalManager.h"

#include "Class/ServiceCore/Fonts/KXFontNameCache.h"
#include "Class/ServiceCore/Fonts/KXFontsCore.h"
#include "Platform/Foundation/Dictionary.h"
#include "Platform/Foundation/String.h"
#include "Platform/Storage/Paths.h"

#include <algorithm>
#include <system_error>
#include <vector>

using foundation::Id;
using foundation::Ref;
namespace fs = std::filesystem;

namespace {

constexpr int kMaximumDepth = 16; // a folder link that leads back up ends here
constexpr std::size_t kMinimumEntries = 3;

std::vector<fs::path> sortedListing(const fs::path& folder)
{
    std::vector<fs::path> names;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
        names.push_back(it->path());
    std::sort(names.begin(), names.end());
    return names;
}

void addFonts(KXFontsCore& core, const fs::path& folder, int depth, foundation::MutableArray& list)
{
    if (depth > kMaximumDepth)
        return;
    for (const auto& entry : sortedListing(folder)) {
        if (entry.filename() == ".DS_Store")
            continue;
        std::error_code ec;
        if (fs::is_directory(entry, ec)) {
            addFonts(core, entry, depth + 1, list);
            continue;
        }
        if (auto record = core.fontBaseInfoByFontPath(foundation::String::create(entry.string())))
            list.addObject(Id(record));
    }
}

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

Ref<foundation::MutableArray> KXHomeLocalManager::localFontsArray()
{
    // Naming needs no window list, script runner or cache.
    auto core = KXFontsCore::create(KXFontsCore::Environment{});
    auto list = foundation::MutableArray::create();
    addFonts(*core, folders_.user, 0, *list);
    if (sortedListing(folders_.computer).size() >= kMinimumEntries)
        addFonts(*core, folders_.computer, 0, *list);
    else if (sortedListing(folders_.system).size() >= kMinimumEntries)
        addFonts(*core, folders_.system, 0, *list);
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
