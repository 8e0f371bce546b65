#include "Support/TempHome.h"

#include <atomic>
#include <cstdlib>
#include <stdexcept>
#include <unistd.h>

namespace testsupport {

namespace fs = std::filesystem;

TempHome& TempHome::instance()
{
    static TempHome home;
    return home;
}

namespace {
constexpr const char* kInheritedHome = "CORVANE_TEST_HOME";
}

TempHome::TempHome()
{
    std::error_code error;
    if (const char* inherited = std::getenv(kInheritedHome); inherited && fs::is_directory(inherited, error)) {
        root_ = inherited;
        owned_ = false;
        return;
    }
    std::string pattern = (fs::temp_directory_path() / "corvane-test-XXXXXX").string();
    if (!mkdtemp(pattern.data()))
        throw std::runtime_error("cannot make a temporary home");
    root_ = pattern;
    for (const char* sub : {".config", ".cache", ".local/share", ".local/share/fonts"})
        fs::create_directories(root_ / sub);
    setenv(kInheritedHome, root_.c_str(), 1);
    setenv("HOME", root_.c_str(), 1);
    setenv("XDG_CONFIG_HOME", (root_ / ".config").c_str(), 1);
    setenv("XDG_CACHE_HOME", (root_ / ".cache").c_str(), 1);
    setenv("XDG_DATA_HOME", (root_ / ".local/share").c_str(), 1);
}

TempHome::~TempHome()
{
    if (owned_ && !std::getenv("CORVANE_KEEP_TEST_HOME")) {
        std::error_code ignored;
        fs::remove_all(root_, ignored);
    }
}

fs::path makeScratchDir(const std::string& hint)
{
    static std::atomic<int> counter{0};
    fs::path dir = TempHome::instance().root() / "scratch" /
                   (hint + "-" + std::to_string(counter.fetch_add(1)));
    fs::create_directories(dir);
    return dir;
}

fs::path sourceDir()
{
    if (const char* dir = std::getenv("CORVANE_SOURCE_DIR"))
        return dir;
    return fs::current_path();
}

} // namespace testsupport
