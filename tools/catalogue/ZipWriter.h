#pragma once

#include <deque>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

struct zip;

namespace catalogue {

// Builds a zip archive from files on disk and byte strings. Entry names are written exactly as
// given (a test needs hostile names such as "../x"), so callers choose safe names themselves.
class ZipWriter {
public:
    void addFile(const std::string& entryName, const std::filesystem::path& source);
    void addBytes(const std::string& entryName, std::string bytes);

    // Writes next to the destination and renames into place.
    bool writeTo(const std::filesystem::path& destination, std::string* error) const;
    std::optional<std::string> toBytes() const;

private:
    struct Entry {
        std::string name;
        std::filesystem::path file;
        const std::string* bytes = nullptr;
    };
    bool addEntries(::zip* archive) const;

    std::vector<Entry> entries_;
    std::deque<std::string> buffers_;
};

// Reads one entry of a zip archive held in memory or on disk.
class ZipReader {
public:
    static std::optional<std::string> readEntry(const std::string& archiveBytes, const std::string& entryName);
    static std::vector<std::string> entryNames(const std::string& archiveBytes);
};

} // namespace catalogue
