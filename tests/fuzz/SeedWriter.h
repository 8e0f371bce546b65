#pragma once

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

// The seed corpus of a fuzz target: valid inputs, one file each, written into the folder named by
// the program's first argument at build time (corvane_add_fuzzer ... SEEDS). A seed the target's
// own parser refuses is a fault of the generator and fails the build: random mutations of valid
// inputs are what lets a fuzzer past a format's header and checksums.
namespace fuzzseeds {

class SeedWriter {
public:
    SeedWriter(int argc, char** argv)
    {
        if (argc < 2) {
            std::fprintf(stderr, "usage: %s <seed folder> [arguments]\n", argv[0]);
            failed_ = true;
            return;
        }
        folder_ = argv[1];
        for (int i = 2; i < argc; ++i)
            arguments_.emplace_back(argv[i]);
    }

    const std::vector<std::string>& arguments() const { return arguments_; }

    void add(std::string_view bytes)
    {
        if (failed_)
            return;
        char name[32];
        std::snprintf(name, sizeof name, "seed-%04zu", count_++);
        std::ofstream out(folder_ / name, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        if (!out) {
            std::fprintf(stderr, "cannot write %s\n", (folder_ / name).c_str());
            failed_ = true;
        }
    }

    // Marks the corpus as faulty when `valid` is false.
    void check(bool valid, std::string_view what)
    {
        if (!valid) {
            std::fprintf(stderr, "seed refused by its parser: %.*s\n", static_cast<int>(what.size()), what.data());
            failed_ = true;
        }
    }

    // The program's exit code: 0 when every seed was valid and written, and there was one.
    int finish() const { return failed_ || count_ == 0 ? 1 : 0; }

private:
    std::filesystem::path folder_;
    std::vector<std::string> arguments_;
    std::size_t count_ = 0;
    bool failed_ = false;
};

} // namespace fuzzseeds
