#pragma once

#include <ctime>
#include <memory>
#include <optional>
#include <string>
#include <sys/types.h>

// A file being unpacked. The bytes go to a temporary file beside the final path, and only
// commit() renames it into place, so a failed read or checksum never leaves a partial file.
// Destroying an uncommitted file removes the temporary file. The temporary file is readable and
// writable by its owner only until setPermissions().
class ExtractedFile {
public:
    // nil with `posixError` set when the temporary file cannot be made.
    static std::unique_ptr<ExtractedFile> create(const std::string& path, int& posixError);
    ~ExtractedFile();
    ExtractedFile(const ExtractedFile&) = delete;
    ExtractedFile& operator=(const ExtractedFile&) = delete;

    bool write(const void* bytes, std::size_t length, int& posixError);
    // Each step is optional; false when one of them failed.
    bool setModificationDate(std::time_t seconds);
    bool setPermissions(mode_t mode);
    bool commit(int& posixError);

private:
    ExtractedFile(std::string path, std::string temporary, int fd);

    std::string path_;
    std::string temporary_;
    int fd_;
    bool committed_ = false;
};
