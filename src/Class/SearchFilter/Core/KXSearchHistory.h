#pragma once

#include "Platform/Foundation/Array.h"
#include "Platform/Foundation/String.h"

#include <cstddef>
#include <filesystem>
#include <string_view>

// The search panel's history: the texts the user searched, newest first, no two equal, kept in
// "fontsearch.plist" (a property-list array of strings) in <cache>/KXFonts/.
//
// The panel reads the file once when it is built; a missing, unreadable or empty file, one that
// holds no array, and one that is no regular file or holds more than KXStateFile::kMaxBytes (it is
// not read then) give an empty history, and entries that are not strings are left out. A longer
// list than the panel would write is used as read. Each search adds its text by the six-entry
// rule (add()); the file is written whole and atomically only when the owner asks (write()).
//
// The entries are one mutable array, shared with whoever shows them. Main thread only.
class KXSearchHistory {
public:
    static constexpr const char* kFileName = "fontsearch.plist";
    static constexpr std::size_t kLimit = 6;

    // <cache>/KXFonts/fontsearch.plist.
    static std::filesystem::path defaultFile();

    explicit KXSearchHistory(std::filesystem::path file = defaultFile());

    const std::filesystem::path& file() const { return file_; }
    const foundation::Ref<foundation::MutableArray>& entries() const { return entries_; }
    std::size_t count() const { return entries_->count(); }
    bool isEmpty() const { return entries_->count() == 0; }

    // With n entries before it: below six, the text moves (or goes) to the front; from six on, a
    // text already there moves to the front, and a new one drops every entry after the fifth and
    // goes to the front. An empty text changes nothing.
    void add(std::string_view text);
    // A new empty list (the old array, which others may show, is left as it was).
    void clear();
    // The whole list, atomically; false when it could not be written (the old file stays).
    bool write() const;

    // The file's strings in order; empty for anything else.
    static foundation::Ref<foundation::MutableArray> read(const std::filesystem::path& file);

private:
    std::filesystem::path file_;
    foundation::Ref<foundation::MutableArray> entries_;
};
