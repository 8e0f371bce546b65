#include "Support/ScratchFolder.h"

#include <cstdlib>

#include <unistd.h>

namespace benchsupport {

std::filesystem::path makeScratchFolder(const std::string& name)
{
    auto folder = std::filesystem::temp_directory_path() / (name + "." + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    return folder;
}

void usePrivateHome(const std::filesystem::path& home)
{
    std::filesystem::create_directories(home);
    setenv("HOME", home.c_str(), 1);
    for (const char* variable : {"XDG_CONFIG_HOME", "XDG_CACHE_HOME", "XDG_DATA_HOME"})
        unsetenv(variable);
}

} // namespace benchsupport
