// Whole archives through the unpacking road, as the font and catalogue downloads take it: the
// password probes, then an unpack with a password and nested archives into a scratch folder.
// Whatever the bytes, nothing lands outside the destination, no link leads out of it, no name
// holds a control character, no file is group- or world-writable or has special mode bits, and
// the output stays within the run's limit.
#include "Lib/ZipArchive/SafePath.h"
#include "Lib/ZipArchive/ZipArchive.h"

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/stat.h>

namespace fs = std::filesystem;

namespace {

constexpr std::uint64_t kOutputLimit = 4 << 20;

void check(bool condition)
{
    if (!condition)
        std::abort();
}

struct Scratch {
    fs::path root;
    fs::path archive;
    fs::path box;
    fs::path destination;

    Scratch()
    {
        std::string pattern = (fs::temp_directory_path() / "corvane-fuzz-unpack-XXXXXX").string();
        check(::mkdtemp(pattern.data()) != nullptr);
        root = pattern;
        archive = root / "in.zip";
        box = root / "box";
        destination = box / "out";
    }
    ~Scratch()
    {
        std::error_code ignored;
        fs::remove_all(root, ignored);
    }
};

bool isInside(const fs::path& path, const fs::path& folder)
{
    auto relative = path.lexically_normal().lexically_relative(folder.lexically_normal());
    return !relative.empty() && *relative.begin() != "..";
}

// Walks what the run left and checks every item; answers the bytes of the regular files.
std::uint64_t checkTree(const Scratch& scratch)
{
    // Beside the archive only the box, and in the box only the destination.
    for (const auto& item : fs::directory_iterator(scratch.root))
        check(item.path() == scratch.archive || item.path() == scratch.box);
    for (const auto& item : fs::directory_iterator(scratch.box))
        check(item.path() == scratch.destination);
    if (!fs::exists(fs::symlink_status(scratch.destination)))
        return 0;
    std::uint64_t bytes = 0;
    for (const auto& item : fs::recursive_directory_iterator(scratch.destination)) {
        const fs::path& path = item.path();
        check(!zipentry::hasControlCharacter(path.lexically_relative(scratch.destination).string()));
        struct stat status {};
        check(::lstat(path.c_str(), &status) == 0);
        if (S_ISLNK(status.st_mode)) {
            fs::path target = fs::read_symlink(path);
            check(target.is_relative() && isInside(path.parent_path() / target, scratch.destination));
        } else {
            check(S_ISREG(status.st_mode) || S_ISDIR(status.st_mode));
            check((status.st_mode & (S_ISUID | S_ISGID | S_ISVTX | S_IWGRP | S_IWOTH)) == 0);
            if (S_ISREG(status.st_mode))
                bytes += static_cast<std::uint64_t>(status.st_size);
        }
    }
    return bytes;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static Scratch scratch;
    {
        std::ofstream out(scratch.archive, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    std::error_code ignored;
    fs::remove_all(scratch.box, ignored);
    fs::create_directory(scratch.box);

    const std::string archive = scratch.archive.string();
    foundation::Ref<foundation::Error> error;
    ZipArchive::isFilePasswordProtectedAtPath(archive);
    ZipArchive::isPasswordValidForArchiveAtPath(archive, "secret", &error);

    error = nullptr;
    bool succeeded = ZipArchive::unzipFileAtPath(archive, scratch.destination.string(), true, true, 1, "secret",
                                                 &error, {}, {}, {}, ZipOutputLimit{kOutputLimit, 1000});
    check(!succeeded || !error);
    check(checkTree(scratch) <= kOutputLimit);
    return 0;
}
