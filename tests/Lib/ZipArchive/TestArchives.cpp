#include "TestArchives.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <zip.h>

namespace ziptest {

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
