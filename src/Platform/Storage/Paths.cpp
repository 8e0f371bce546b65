#include "Platform/Storage/Paths.h"

#include <cstdlib>
#include <pwd.h>
#include <string>
#include <system_error>
#include <unistd.h>

#ifndef CORVANE_INSTALL_PREFIX
#define CORVANE_INSTALL_PREFIX "/usr/local"
#endif

namespace foundation {

namespace fs = std::filesystem;

namespace {

const char* nonEmptyEnvironment(const char* name)
{
    const char* value = std::getenv(name);
    return value && *value ? value : nullptr;
}

fs::path xdgHome(const char* variable, const char* fallbackBelowHome)
{
    if (const char* value = nonEmptyEnvironment(variable)) {
        fs::path path(value);
        if (path.is_absolute())
            return path;
    }
    return Paths::homeDirectory() / fallbackBelowHome;
}

} // namespace

std::string Paths::displayPath(const fs::path& path)
{
    const fs::path home = homeDirectory().lexically_normal();
    if (home == home.root_path())
        return path.string();
    const fs::path below = path.lexically_normal().lexically_relative(home);
    if (below.empty() || *below.begin() == "..")
        return path.string();
    return below == "." ? "~" : "~/" + below.string();
}

fs::path Paths::homeDirectory()
{
    if (const char* home = nonEmptyEnvironment("HOME"))
        return home;
    long size = sysconf(_SC_GETPW_R_SIZE_MAX);
    std::string buffer(size > 0 ? static_cast<std::size_t>(size) : 16384, '\0');
    passwd entry {};
    passwd* found = nullptr;
    if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found && found->pw_dir)
        return found->pw_dir;
    return "/";
}

fs::path Paths::configHome()
{
    return xdgHome("XDG_CONFIG_HOME", ".config");
}

fs::path Paths::cacheHome()
{
    return xdgHome("XDG_CACHE_HOME", ".cache");
}

fs::path Paths::dataHome()
{
    return xdgHome("XDG_DATA_HOME", ".local/share");
}

fs::path Paths::cacheDirectory()
{
    return cacheHome() / kApplicationFolder;
}

fs::path Paths::temporaryDirectory()
{
    return cacheDirectory() / "tmp";
}

fs::path Paths::dataDirectory()
{
    return dataHome() / kApplicationFolder;
}

fs::path Paths::configDirectory()
{
    return configHome() / kApplicationFolder;
}

fs::path Paths::userFontsDirectory()
{
    return dataHome() / "fonts";
}

fs::path Paths::resourceDirectory()
{
    if (const char* overridden = nonEmptyEnvironment("CORVANE_RESOURCE_DIR"))
        return overridden;
    std::error_code error;
    fs::path executable = fs::read_symlink("/proc/self/exe", error);
    if (!error) {
        fs::path beside = executable.parent_path().parent_path() / "share" / kApplicationFolder;
        if (fs::is_directory(beside, error))
            return beside;
    }
    fs::path installed = fs::path(CORVANE_INSTALL_PREFIX) / "share" / kApplicationFolder;
#ifdef CORVANE_SOURCE_RESOURCE_DIR
    // Run from a build tree that was never installed: the resources of the source tree.
    if (!fs::is_directory(installed, error) && fs::is_directory(CORVANE_SOURCE_RESOURCE_DIR, error))
        return CORVANE_SOURCE_RESOURCE_DIR;
#endif
    return installed;
}

} // namespace foundation
