#include "Support/ScratchFolder.h"

#include <unistd.h>

namespace benchsupport {

std::filesystem::path makeScratchFolder(const std::string& name)
{
    auto folder = std::filesystem::temp_directory_path() / (name + "." + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    return folder;
}

} // namespace benchsupport
