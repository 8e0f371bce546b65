#pragma once

#include <filesystem>
#include <string>

namespace foundation {

// Every folder the client reads or writes, under the user's HOME and the XDG base directories.
// The environment is read on every call, so a test that points HOME and XDG_* at a temporary
// folder sees its own tree. XDG variables that are unset, empty or relative fall back to their
// defaults below HOME, as the XDG base directory rules say. Nothing here creates folders.
class Paths {
public:
    // $HOME, or the password database's home when HOME is unset or empty.
    static std::filesystem::path homeDirectory();

    static std::filesystem::path configHome(); // $XDG_CONFIG_HOME or ~/.config
    static std::filesystem::path cacheHome(); // $XDG_CACHE_HOME or ~/.cache
    static std::filesystem::path dataHome(); // $XDG_DATA_HOME or ~/.local/share

    static std::filesystem::path cacheDirectory(); // <cacheHome>/corvane-fonts
    // <cacheDirectory>/tmp: the client's own scratch files (download bodies), never the shared
    // /tmp, where other accounts see their names and nothing removes what a killed run left.
    static std::filesystem::path temporaryDirectory();
    static std::filesystem::path dataDirectory(); // <dataHome>/corvane-fonts
    static std::filesystem::path configDirectory(); // <configHome>/corvane-fonts
    static std::filesystem::path userFontsDirectory(); // <dataHome>/fonts

    // The application's read-only resources: $CORVANE_RESOURCE_DIR when set, else
    // share/corvane-fonts beside the running executable's prefix when it exists (a relocated
    // install), else the install prefix's share/corvane-fonts; when that does not exist either
    // (a build tree run before installing), the source tree's resources folder if there is one.
    static std::filesystem::path resourceDirectory();

    // A path as the user is shown it: below HOME it starts with "~", which keeps a message that
    // names one of the client's files short enough to read in a toast.
    static std::string displayPath(const std::filesystem::path& path);

    static constexpr const char* kApplicationFolder = "corvane-fonts";
};

} // namespace foundation
