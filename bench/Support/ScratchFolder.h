#pragma once

#include <filesystem>
#include <string>

namespace benchsupport {

// Creates and returns "<temp>/<name>.<pid>", a folder of this run's own; the caller removes it.
std::filesystem::path makeScratchFolder(const std::string& name);

// Makes `home` (if missing) the run's HOME, with the XDG folders following it, so nothing the run
// stores reaches the user's own settings, caches or fonts.
void usePrivateHome(const std::filesystem::path& home);

} // namespace benchsupport
