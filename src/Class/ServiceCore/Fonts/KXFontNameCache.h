#pragma once

#include "Platform/Foundation/Array.h"
#include "Platform/Foundation/Dictionary.h"

#include <filesystem>
#include <map>
#include <mutex>
#include <string>

// The font name cache fontName.plist: a property-list array, newest use first, of one-entry
// dictionaries {font file path: font name record}, one element per path.
//
// This object is the file's only reader and writer in the process (one per file), and every access
// holds its mutex; each write replaces the whole file atomically. An entry is renewed when the
// file at its path has changed since it was named: within the process by the file's size and
// modification time, across runs by a font file newer than the cache file.
//
// The file is read with a bound (KXStateFile): a file that is too large, is no list of that shape,
// or would unfold into more than KXStateFile::kMaxBytes of text is set aside and the cache starts
// empty; fonts are then named again as they are used.
class KXFontNameCache {
public:
    // The cache of this user: <cache>/KXFonts/fontName.plist.
    static KXFontNameCache& shared();
    static std::filesystem::path defaultFile();

    explicit KXFontNameCache(std::filesystem::path file);
    KXFontNameCache(const KXFontNameCache&) = delete;
    KXFontNameCache& operator=(const KXFontNameCache&) = delete;

    // The cached record of `path`, moved to the front and written back; nil when there is none or
    // when the file at `path` changed since (the stale element is dropped then).
    foundation::Ref<foundation::Dictionary> recordForPath(const std::string& path);
    // Puts {path: record} at the front, replacing an older element of the path, and writes the file.
    void insertRecord(const std::string& path, const foundation::Ref<foundation::Dictionary>& record);

    // The elements as the file holds them now (a new array; a missing or unreadable file gives an
    // empty one).
    foundation::Ref<foundation::MutableArray> entries() const;

    const std::filesystem::path& file() const { return file_; }

private:
    struct Stamp {
        std::uintmax_t size = 0;
        std::filesystem::file_time_type modified;
        bool operator==(const Stamp&) const = default;
    };
    static bool stampOf(const std::string& path, Stamp& stamp);

    foundation::Ref<foundation::MutableArray> load() const;
    void save(const foundation::Ref<foundation::MutableArray>& array) const;
    bool isStale(const std::string& path);

    std::filesystem::path file_;
    mutable std::mutex mutex_;
    std::map<std::string, Stamp> stamps_;
};
