#pragma once

#include "Platform/Foundation/Dictionary.h"
#include "Platform/Foundation/String.h"

#include <sys/types.h>

#include <filesystem>
#include <functional>
#include <optional>
#include <string_view>

// The downloaded-font map "fontsPlist.plist" in <cache>/KXFonts/: one property-list dictionary
// from a font's `fontname` to the absolute path of its installed font file. Every font list reads
// it when it lays out a row and writes it when a font is installed or its file has gone; the
// one-time migration of the former client writes it too.
//
// One object per file is the file's owner in this process and keeps one parsed copy, read again
// only when the file on disk changed (its device, inode, size or modification time differ, which
// also catches a writer in another process, since writers rename a new file into place). Each
// change is one read-modify-write of the current file, written to a temporary file and renamed.
// A missing or unreadable file, one that holds no dictionary, and one that is no regular file or
// holds more than KXStateFile::kMaxBytes (it is not read then) read as an empty map; the next
// change first sets such a file aside as "fontsPlist.plist.damaged" (KXStateFile::setAside), then
// writes the new map.
//
// Thread-safety: the owner is the main queue; call every member there.
class KXDownloadedFontMap {
public:
    static constexpr const char* kFileName = "fontsPlist.plist";

    // The map of this user, made on first use.
    static KXDownloadedFontMap& shared();
    // <cache>/KXFonts/fontsPlist.plist.
    static std::filesystem::path defaultFile();

    explicit KXDownloadedFontMap(std::filesystem::path file);
    KXDownloadedFontMap(const KXDownloadedFontMap&) = delete;
    KXDownloadedFontMap& operator=(const KXDownloadedFontMap&) = delete;

    const std::filesystem::path& file() const { return file_; }

    // The map as the file holds it now; an immutable dictionary, never nil.
    foundation::Ref<foundation::Dictionary> map();
    // The path stored under the name when it is a non-empty text, else nil.
    foundation::Ref<foundation::String> pathForFontname(std::string_view fontname);

    // One read-modify-write: `change` edits a mutable copy of the current map, which is then
    // written back. False when the file could not be written (the old file stays).
    bool update(const std::function<void(foundation::MutableDictionary& map)>& change);
    bool setPathForFontname(std::string_view fontname, std::string_view path);
    bool removeFontname(std::string_view fontname);

private:
    struct Stamp {
        dev_t device = 0;
        ino_t inode = 0;
        off_t size = 0;
        long long modifiedNanoseconds = 0;
        bool operator==(const Stamp&) const = default;
    };
    std::optional<Stamp> stampOfFile() const;
    void refresh();

    std::filesystem::path file_;
    foundation::Ref<foundation::Dictionary> map_;
    std::optional<std::optional<Stamp>> loadedStamp_; // unset until the first read; inner nullopt: no file
    bool damaged_ = false; // the loaded file exists but gave no map
};
