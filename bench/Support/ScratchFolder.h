#pragma once

#include <filesystem>
#include <string>

namespace benchsupport {

// Creates and returns "<temp>/<name>.<pid>", a folder of this run's own; the caller removes it.
std::filesystem::path makeScratchFolder(const std::string& name);

} // namespace benchsupport
