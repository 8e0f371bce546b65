#pragma once

#include <filesystem>
#include <string>

namespace testsupport {

// A private HOME with XDG folders below it, made before any test runs so that nothing a test
// writes reaches the real user's folders. Removed when the process ends normally. A test program
// started by another one (a death test's child runs the program again, then ends without unwinding)
// uses the home of the program that started it and leaves it in place.
class TempHome {
public:
    static TempHome& instance();
    const std::filesystem::path& root() const { return root_; }
    ~TempHome();

private:
    TempHome();
    std::filesystem::path root_;
    bool owned_ = true;
};

// A fresh empty folder below the temporary home, unique per call.
std::filesystem::path makeScratchDir(const std::string& hint = "scratch");

// The source tree, for tests that read files the repository ships.
std::filesystem::path sourceDir();

} // namespace testsupport
