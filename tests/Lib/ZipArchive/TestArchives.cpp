#include "TestArchives.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <zip.h>
#include <zlib.h>

namespace ziptest {

namespace {

void put16(std::string& out, std::uint32_t value)
{
    out.push_back(static_cast<char>(value & 0xFF));
    out.push_back(static_cast<char>((value >> 8) & 0xFF));
}

void put32(std::string& out, std::uint32_t value)
{
    put16(out, value & 0xFFFF);
    put16(out, value >> 16);
}

} // namespace

std::string rawArchive(const std::vector<RawEntry>& entries)
{
    std::string body;
    std::string directory;
    for (const RawEntry& entry : entries) {
        std::uint32_t size = entry.uncompressedSize == 0xFFFFFFFF ? static_cast<std::uint32_t>(entry.data.size())
                                                                 : entry.uncompressedSize;
        std::uint32_t crc = 0;
        if (entry.method == 0)
            crc = static_cast<std::uint32_t>(
                crc32(0, reinterpret_cast<const Bytef*>(entry.data.data()), static_cast<uInt>(entry.data.size())));
        if (entry.corruptCrc)
            crc ^= 0xDEADBEEF;
        auto offset = static_cast<std::uint32_t>(body.size());
        put32(body, 0x04034b50);
        put16(body, 20);
        put16(body, entry.flag);
        put16(body, entry.method);
        put32(body, entry.dosDate);
        put32(body, crc);
        put32(body, static_cast<std::uint32_t>(entry.data.size()));
        put32(body, size);
        put16(body, static_cast<std::uint32_t>(entry.name.size()));
        put16(body, 0);
        body += entry.name;
        body += entry.data;

        put32(directory, 0x02014b50);
        put16(directory, entry.versionMadeBy);
        put16(directory, 20);
        put16(directory, entry.flag);
        put16(directory, entry.method);
        put32(directory, entry.dosDate);
        put32(directory, crc);
        put32(directory, static_cast<std::uint32_t>(entry.data.size()));
        put32(directory, size);
        put16(directory, static_cast<std::uint32_t>(entry.name.size()));
        put16(directory, 0);
        put16(directory, 0);
        put16(directory, 0);
        put16(directory, 0);
        put32(directory, entry.externalFa);
        put32(directory, offset);
        directory += entry.name;
    }
    std::string archive = body + directory;
    put32(archive, 0x06054b50);
    put16(archive, 0);
    put16(archive, 0);
    put16(archive, static_cast<std::uint32_t>(entries.size()));
    put16(archive, static_cast<std::uint32_t>(entries.size()));
    put32(archive, static_cast<std::uint32_t>(directory.size()));
    put32(archive, static_cast<std::uint32_t>(body.size()));
    put16(archive, 0);
    return archive;
}

RawEntry fileEntry(const std::string& name, const std::string& data)
{
    RawEntry entry;
    entry.name = name;
    entry.data = data;
    return entry;
}

RawEntry symlinkEntry(const std::string& name, const std::string& target)
{
    RawEntry entry;
    entry.name = name;
    entry.data = target;
    entry.externalFa = 0120777u << 16;
    return entry;
}

RawEntry folderEntry(const std::string& name)
{
    RawEntry entry;
    entry.name = name;
    entry.externalFa = (040755u << 16) | 0x10;
    return entry;
}

void libzipArchive(const std::filesystem::path& path, const std::vector<LibEntry>& entries)
{
    std::filesystem::remove(path);
    int error = 0;
    zip_t* archive = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    ASSERT_NE(archive, nullptr) << error;
    for (const LibEntry& entry : entries) {
        zip_int64_t index;
        if (entry.folder) {
            index = zip_dir_add(archive, entry.name.c_str(), ZIP_FL_ENC_UTF_8);
        } else {
            zip_source_t* source = zip_source_buffer(archive, entry.data.data(), entry.data.size(), 0);
            index = zip_file_add(archive, entry.name.c_str(), source, ZIP_FL_ENC_UTF_8);
        }
        ASSERT_GE(index, 0) << entry.name;
        if (!entry.password.empty()) {
            ASSERT_EQ(zip_file_set_encryption(archive, static_cast<zip_uint64_t>(index),
                                              entry.pkware ? ZIP_EM_TRAD_PKWARE : ZIP_EM_AES_256,
                                              entry.password.c_str()),
                      0);
        }
    }
    ASSERT_EQ(zip_close(archive), 0) << zip_strerror(archive);
}

void writeBytes(const std::filesystem::path& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

std::string readBytes(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<std::string> listTree(const std::filesystem::path& root)
{
    std::vector<std::string> names;
    if (!std::filesystem::exists(root))
        return names;
    for (const auto& item : std::filesystem::recursive_directory_iterator(root)) {
        std::string name = item.path().lexically_relative(root).generic_string();
        if (item.is_directory() && !item.is_symlink())
            name += "/";
        names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

int run(const std::string& commandLine)
{
    int status = std::system(commandLine.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool haveTool(const std::string& name)
{
    return run("command -v " + name + " >/dev/null 2>&1") == 0;
}

} // namespace ziptest
