#pragma once

#include "Platform/Foundation/Array.h"

#include <atomic>
#include <cstddef>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

// The font name records of the files below font folders, read once and kept. A folder tree is
// watched, so that a look at a tree nothing changed in touches no file; where something changed (or
// where the tree could not be watched whole) the tree is walked again and only the files whose size
// or modification time differ from the kept ones are opened. A font this process installs or
// removes shows at the next look, as any other change does.
//
// Thread-safe: one mutex guards everything kept, the reading included. A read of many changed files
// takes long: windows read on a pool queue.
class KXLocalFontIndex {
public:
    static KXLocalFontIndex& shared();

    KXLocalFontIndex();
    ~KXLocalFontIndex();
    KXLocalFontIndex(const KXLocalFontIndex&) = delete;
    KXLocalFontIndex& operator=(const KXLocalFontIndex&) = delete;

    struct Folder {
        std::size_t entries = 0; // entries of the folder itself, whatever they are
        // The records of the fonts below it (folders walked in name order, ".DS_Store" and what
        // FreeType cannot open left out); the same array for as long as nothing below changed.
        foundation::Ref<foundation::Array> records;
    };
    // The folder as it is now, its records named in `languages` (BCP-47, most preferred first).
    Folder folder(const std::filesystem::path& root, const std::vector<std::string>& languages);

    // The records of `parts` one after the other: the same array as the last time under `key` when
    // the parts are the same arrays as then.
    foundation::Ref<foundation::Array> joined(const std::string& key, const std::vector<foundation::Ref<foundation::Array>>& parts);

    // How many font files were opened on the main thread so far: a window leaves this as it is.
    std::size_t filesOpenedOnMainThread() const { return mainThreadOpens_.load(); }

private:
    struct Tree;
    struct Join {
        std::vector<foundation::Ref<foundation::Array>> parts;
        foundation::Ref<foundation::Array> records;
    };
    std::mutex mutex_;
    std::map<std::filesystem::path, std::unique_ptr<Tree>> trees_;
    std::map<std::string, Join> joins_;
    std::atomic<std::size_t> mainThreadOpens_{0};
};
