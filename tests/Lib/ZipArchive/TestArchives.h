#pragma once

#include "RawArchive.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

// Archives for the tests: made with the zip library for the ordinary cases, and byte by byte
// (RawArchive.h) for the hostile and unusual ones.
namespace ziptest {

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
