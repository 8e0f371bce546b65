#include "Class/ServiceCore/Fonts/KXLocalFontIndex.h"

#include "Class/ServiceCore/Fonts/KXFontsCore.h"
#include "Platform/Dispatch/Queue.h"
#include "Platform/Dispatch/detail/NoDestructor.h"
#include "Platform/Foundation/Dictionary.h"
#include "Platform/Foundation/String.h"
#include "Platform/Storage/FolderTreeWatch.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdint>
#include <system_error>

using foundation::Id;
using foundation::Ref;
namespace fs = std::filesystem;

namespace {

constexpr int kLocalFontIndexMaximumDepth = 16; // a folder link that leads back up ends here

} // namespace

struct KXLocalFontIndex::Tree {
    struct FileKey {
        std::int64_t size = -1;
        std::int64_t modifiedNs = -1;
        bool operator==(const FileKey&) const = default;
    };
    struct KeptFile {
        FileKey key;
        Ref<foundation::MutableDictionary> record; // nullptr: not a font
    };

    foundation::FolderTreeWatch watch;
    bool walked = false;
    bool watchedWhole = false; // every folder of the last walk is watched
    std::vector<std::string> languages;
    std::map<std::string, KeptFile> files;
    Folder folder;

    // Lists `dir` in name order, watching it first; its folders are walked in place.
    void walk(const fs::path& dir, int depth, KXFontsCore& core, std::map<std::string, KeptFile>& seen,
              std::vector<Id>& records, std::size_t* entries, std::atomic<std::size_t>& mainThreadOpens)
    {
        if (depth > kLocalFontIndexMaximumDepth)
            return;
        watchedWhole = watch.add(dir) && watchedWhole;
        std::vector<fs::path> names;
        std::error_code ec;
        for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec))
            names.push_back(it->path());
        std::sort(names.begin(), names.end());
        if (entries)
            *entries = names.size();
        for (const auto& entry : names) {
            if (entry.filename() == ".DS_Store")
                continue;
            struct stat info {};
            if (::stat(entry.c_str(), &info) != 0)
                continue;
            if (S_ISDIR(info.st_mode)) {
                walk(entry, depth + 1, core, seen, records, nullptr, mainThreadOpens);
                continue;
            }
            if (!S_ISREG(info.st_mode))
                continue;
            const FileKey key{static_cast<std::int64_t>(info.st_size),
                              static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1'000'000'000 + info.st_mtim.tv_nsec};
            const std::string path = entry.string();
            KeptFile kept;
            if (const auto found = files.find(path); found != files.end() && found->second.key == key)
                kept = found->second;
            else {
                if (dispatch::isMainThread())
                    ++mainThreadOpens;
                kept = {key, core.fontBaseInfoByFontPath(foundation::String::create(path))};
            }
            if (kept.record)
                records.emplace_back(kept.record);
            seen.insert_or_assign(path, std::move(kept));
        }
    }

    void refresh(const fs::path& root, const std::vector<std::string>& wanted, std::atomic<std::size_t>& mainThreadOpens)
    {
        // Drained before the walk: what changes while it walks is news for the next look.
        const bool changed = watch.takeChanged();
        if (walked && watchedWhole && !changed && languages == wanted)
            return;
        if (languages != wanted)
            files.clear();
        languages = wanted;
        KXFontsCore::Environment environment; // naming needs no window list, script runner or cache
        environment.preferredLanguages = [wanted] { return wanted; };
        auto core = KXFontsCore::create(std::move(environment));
        std::map<std::string, KeptFile> seen;
        std::vector<Id> records;
        std::size_t entries = 0;
        watchedWhole = true;
        walk(root, 0, *core, seen, records, &entries, mainThreadOpens);
        files = std::move(seen);
        walked = true;
        const bool same = folder.records && entries == folder.entries && folder.records->objects() == records;
        if (!same)
            folder = {entries, foundation::Array::create(std::move(records))};
    }
};

KXLocalFontIndex& KXLocalFontIndex::shared()
{
    // Pool threads may still be reading while the process exits.
    static dispatch::detail::NoDestructor<KXLocalFontIndex> index;
    return index.get();
}

KXLocalFontIndex::KXLocalFontIndex() = default;
KXLocalFontIndex::~KXLocalFontIndex() = default;

KXLocalFontIndex::Folder KXLocalFontIndex::folder(const fs::path& root, const std::vector<std::string>& languages)
{
    std::lock_guard lock(mutex_);
    auto& tree = trees_[root];
    if (!tree)
        tree = std::make_unique<Tree>();
    tree->refresh(root, languages, mainThreadOpens_);
    return tree->folder;
}

Ref<foundation::Array> KXLocalFontIndex::joined(const std::string& key, const std::vector<Ref<foundation::Array>>& parts)
{
    std::lock_guard lock(mutex_);
    Join& join = joins_[key];
    if (join.records && join.parts == parts)
        return join.records;
    std::vector<Id> records;
    for (const auto& part : parts)
        records.insert(records.end(), part->begin(), part->end());
    join = {parts, foundation::Array::create(std::move(records))};
    return join.records;
}
