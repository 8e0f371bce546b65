#pragma once

#include "Platform/Foundation/Object.h"

#include <cstdint>
#include <filesystem>
#include <span>
#include <system_error>

namespace foundation {

class Error;

// The client's own state (settings that hold the sign-in token, the account archives, the search
// history, caches and downloads) is its user's alone: its folders are 0700 and its files 0600,
// whatever the umask says. Everything the client writes below its configuration, data and cache
// folders goes through here; the user's font folder is not the client's and never does.
class PrivateFiles {
public:
    static constexpr unsigned kFolderMode = 0700;
    static constexpr unsigned kFileMode = 0600;

    // Creates `folder` and each missing folder above it 0700; true when `folder` is a folder
    // afterwards (one made meanwhile by someone else counts). Existing folders keep their mode.
    static bool createFolder(const std::filesystem::path& folder, std::error_code& error);

    // Writes the bytes atomically (writeFileAtomically) as a 0600 file, creating its folder as
    // createFolder does. A 0644 file it replaces leaves no trace of its mode.
    static bool writeFile(
        const std::filesystem::path& file, std::span<const std::uint8_t> bytes, Ref<Error>* error = nullptr);

    // Takes group and others' access away from a file that code of its own created (a database
    // and its side files); a missing file or a link is left alone.
    static void restrictFile(const std::filesystem::path& file);

    // Makes `root` and every folder below it 0700, links not followed: folders that earlier
    // versions made open to all are closed at start-up, before anything is read from them. A root
    // that is 0700 already is left as it is, without a walk.
    static void restrictFolders(const std::filesystem::path& root);
};

} // namespace foundation
