#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

// Archives for the tests: made with the zip library for the ordinary cases, and byte by byte
// (stored entries with every header field chosen) for the hostile and unusual ones.
namespace ziptest {

struct RawEntry {
    std::string name;                  // raw name bytes
    std::string data;                  // stored as is
    std::uint16_t versionMadeBy = 0x031E; // Unix host
    std::uint16_t flag = 0;
    std::uint32_t dosDate = 0x50A16D2F; // 2020-05-01 13:41:30
    std::uint32_t externalFa = (0100644u << 16);
    std::uint16_t method = 0;          // 0 stored; 8 with `data` already deflated
    std::uint32_t uncompressedSize = 0xFFFFFFFF; // default: data.size()
    bool corruptCrc = false;
};

std::string rawArchive(const std::vector<RawEntry>& entries);

RawEntry fileEntry(const std::string& name, const std::string& data);
RawEntry symlinkEntry(const std::string& name, const std::string& target);
RawEntry folderEntry(const std::string& name);

struct LibEntry {
    LibEntry(std::string name_, std::string data_ = {}, bool folder_ = false, std::string password_ = {},
             bool pkware_ = false)
        : name(std::move(name_))
        , data(std::move(data_))
        , folder(folder_)
        , password(std::move(password_))
        , pkware(pkware_)
    {
    }
    std::string name;
    std::string data;
    bool folder;
    std::string password; // empty: not encrypted
    bool pkware;          // traditional encryption instead of AES-256
};

// Writes an archive with the zip library; fails the current test when it cannot.
void libzipArchive(const std::filesystem::path& path, const std::vector<LibEntry>& entries);

void writeBytes(const std::filesystem::path& path, const std::string& bytes);
std::string readBytes(const std::filesystem::path& path);
// Names of everything below `root`, relative, sorted, folders with a trailing slash.
std::vector<std::string> listTree(const std::filesystem::path& root);
// Runs a shell command line; returns its exit status.
int run(const std::string& commandLine);
bool haveTool(const std::string& name);

} // namespace ziptest
