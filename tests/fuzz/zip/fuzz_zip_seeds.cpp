// Seeds of the archive layer's fuzzers: archives made by the layer itself (stored, deflated, WinZip
// AES and traditional encryption with the password "secret") and byte by byte (links, folders,
// names from MS-DOS and in UTF-8, backslashes, zip64 sizes, a nested archive). With
// "--with-header" each seed starts with the version-made-by and flag words fuzz_zip_names reads
// first, and bare entry names are added.
#include "Lib/ZipArchive/CentralDirectory.h"
#include "Lib/ZipArchive/ZipArchive.h"
#include "Lib/ZipArchive/RawArchive.h"
#include "fuzz/SeedWriter.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace fs = std::filesystem;
using namespace ziptest;

namespace {

std::string readFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writeFile(const fs::path& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

// An archive made by the layer's own writer.
std::string madeArchive(const fs::path& path, int level, const std::string& password, bool aes)
{
    ZipArchive archive(path.string());
    if (!archive.open())
        return {};
    auto data = [](const std::string& text) { return foundation::Data::create(text); };
    archive.writeData(data(std::string(3000, 'a') + "Corvane"), "fonts/Corvane-Regular.otf", level, password, aes);
    archive.writeData(data("license text\n"), "LICENSE.txt", level, password, aes);
    archive.writeData(data(""), "empty", level, password, aes);
    return archive.close() ? readFile(path) : std::string();
}

std::string handMadeArchive()
{
    RawEntry dos = fileEntry("CAF\x82.TXT", "code page 437 name"); // "CAFÉ.TXT"
    dos.versionMadeBy = 0x0014;
    dos.externalFa = 0x20;
    RawEntry utf8 = fileEntry("字体/Corvane.ttf", "utf-8 name");
    utf8.flag = 0x800;
    RawEntry zip64 = fileEntry("zip64.bin", "zip64 sizes");
    zip64.zip64Size = 11;
    const std::string inner = rawArchive({fileEntry("inner.txt", "nested")});
    return rawArchive({folderEntry("fonts/"), deflatedEntry("fonts/a.ttf", std::string(5000, 'f')),
                       symlinkEntry("fonts/alias.ttf", "a.ttf"), symlinkEntry("top/up.ttf", "../fonts/a.ttf"),
                       fileEntry("__MACOSX/._a.ttf", "resource fork"), fileEntry("dir\\sub\\file.txt", "backslashes"),
                       dos, utf8, zip64, fileEntry("nested.zip", inner)});
}

} // namespace

int main(int argc, char** argv)
{
    fuzzseeds::SeedWriter writer(argc, argv);
    const bool withHeader = !writer.arguments().empty() && writer.arguments().front() == "--with-header";
    char pattern[] = "/tmp/corvane-zip-seeds-XXXXXX";
    if (!::mkdtemp(pattern))
        return 1;
    const fs::path scratch = pattern;

    std::vector<std::string> archives = {
        madeArchive(scratch / "stored.zip", 0, "", false),
        madeArchive(scratch / "deflated.zip", 9, "", false),
        madeArchive(scratch / "aes.zip", 6, "secret", true),
        madeArchive(scratch / "pkware.zip", 6, "secret", false),
        handMadeArchive(),
        rawArchive({}),
    };
    for (std::size_t i = 0; i < archives.size(); ++i) {
        const std::string& bytes = archives[i];
        const fs::path path = scratch / ("seed-" + std::to_string(i) + ".zip");
        writeFile(path, bytes);
        foundation::Ref<foundation::Error> error;
        bool valid = ZipArchive::unzipFileAtPath(path.string(), (scratch / ("out-" + std::to_string(i))).string(), true,
                                                 true, 1, "secret", &error, {}, {}, {});
        writer.check(valid && CentralDirectory::loadFile(path.string()).has_value(), path.filename().string());
        if (!withHeader) {
            writer.add(bytes);
            continue;
        }
        writer.add(std::string("\x1E\x03\x00\x08", 4) + bytes);
        writer.add(std::string("\x14\x00\x00\x00", 4) + bytes);
    }
    if (withHeader) {
        for (std::string name : {"fonts/Corvane-Regular.otf", "dir\\sub\\..\\file.txt", "./a//b/", "CAF\x82.TXT"})
            writer.add(std::string("\x14\x00\x00\x00", 4) + name);
    }
    std::error_code ignored;
    fs::remove_all(scratch, ignored);
    return writer.finish();
}
