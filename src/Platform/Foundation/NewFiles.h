#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <system_error>

namespace foundation {

// Temporary files and folders made beside their destination, in folders that other programs of
// the user can write to as well (the font folder most of all). A name known in advance lets
// anyone plant a link there that a plain open would follow, so each name carries a fresh random
// number, and the file or folder is made exclusively: whatever already has the name, a link or
// not, is left as it is and another number is tried. What the caller removes afterwards is then
// only what it made itself. Thread-safe.
class NewFiles {
public:
    // Gives the path for a number; the number should appear in it.
    using Namer = std::function<std::filesystem::path(std::uint64_t number)>;

    // Numbers tried before a folder full of taken names is reported (EEXIST).
    static constexpr int kAttempts = 16;

    // Makes a new regular file at the path `namer` gives, with `mode` less the umask, opened for
    // writing (close-on-exec, no link followed). Answers the descriptor and sets `path`; -1 and
    // `error` on failure.
    static int createFile(const Namer& namer, unsigned mode, std::filesystem::path& path, std::error_code& error);

    // Makes a new folder the same way (mode less the umask); false and `error` on failure.
    static bool createFolder(const Namer& namer, unsigned mode, std::filesystem::path& path, std::error_code& error);

    // Copies the bytes of `from` into a new file made as createFile() makes one and sets `path` to
    // it. On failure nothing is left behind, `path` is empty, and the error is the system's own, so
    // a full disk says so (a short write counts as ENOSPC).
    static std::error_code copyToNewFile(const std::filesystem::path& from, const Namer& namer, unsigned mode,
                                         std::filesystem::path& path);

    // A number no one can guess, from the kernel's random source.
    static std::uint64_t randomNumber();

    // While one lives, the numbers come from `source` instead: tests know the names in advance.
    class ScopedNumbers {
    public:
        explicit ScopedNumbers(std::function<std::uint64_t()> source);
        ~ScopedNumbers();
        ScopedNumbers(const ScopedNumbers&) = delete;
        ScopedNumbers& operator=(const ScopedNumbers&) = delete;

    private:
        std::function<std::uint64_t()> previous_;
    };
};

} // namespace foundation
