#include "Lib/Networking/NKStreamingMultipartFormData.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <fstream>
#include <map>
#include <mutex>
#include <sstream>
#include <vector>

namespace {

struct GlobEntry {
    int weight = 0;
    std::string mimeType;
    bool caseSensitive = false;
};

std::string lowercase(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// The plain "*.ext" globs of every mime database; the highest weight wins.
std::map<std::string, GlobEntry> loadExtensionGlobs()
{
    std::vector<std::string> folders;
    if (const char* home = std::getenv("XDG_DATA_HOME"); home && *home)
        folders.emplace_back(home);
    const char* dirs = std::getenv("XDG_DATA_DIRS");
    std::stringstream list(dirs && *dirs ? dirs : "/usr/local/share:/usr/share");
    for (std::string folder; std::getline(list, folder, ':');)
        if (!folder.empty())
            folders.push_back(folder);

    std::map<std::string, GlobEntry> globs;
    for (const auto& folder : folders) {
        std::ifstream file(folder + "/mime/globs2");
        for (std::string line; std::getline(file, line);) {
            if (line.empty() || line[0] == '#')
                continue;
            std::stringstream fields(line);
            std::string weight, mimeType, glob, flags;
            std::getline(fields, weight, ':');
            std::getline(fields, mimeType, ':');
            std::getline(fields, glob, ':');
            std::getline(fields, flags, ':');
            if (glob.size() < 3 || glob.rfind("*.", 0) != 0 || glob.find_first_of("*?[", 2) != std::string::npos)
                continue;
            GlobEntry entry{std::atoi(weight.c_str()), mimeType, flags.find("cs") != std::string::npos};
            const std::string key = entry.caseSensitive ? glob.substr(2) : lowercase(glob.substr(2));
            auto found = globs.find(key);
            if (found == globs.end() || found->second.weight < entry.weight)
                globs[key] = entry;
        }
    }
    return globs;
}

} // namespace

std::string NKContentTypeForPathExtension(const std::string& extension)
{
    static const std::map<std::string, GlobEntry> globs = loadExtensionGlobs();
    if (!extension.empty()) {
        if (auto exact = globs.find(extension); exact != globs.end())
            return exact->second.mimeType;
        if (auto folded = globs.find(lowercase(extension)); folded != globs.end() && !folded->second.caseSensitive)
            return folded->second.mimeType;
    }
    return "application/octet-stream";
}
