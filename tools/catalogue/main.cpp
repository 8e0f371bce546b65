// corvane-catalogue: generates the sample catalogue and the files the local service serves.
#include "catalogue/CatalogueGenerator.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

void usage()
{
    std::fprintf(stderr,
                 "usage: corvane-catalogue --out DIR [--rows N] [--render-previews] [--fonts DIR]... [--no-assets]\n"
                 "  --rows N     fill the catalogue up to N rows with synthetic fonts (e.g. 100000)\n"
                 "  --render-previews  synthetic rows preview their own name, rendered by the local service\n"
                 "  --fonts DIR  read fonts from DIR instead of the Debian font folders\n"
                 "  --no-assets  write only fonts.sqlite and catalogue.json\n");
}

} // namespace

int main(int argc, char** argv)
{
    catalogue::CatalogueGenerator::Options options;
    bool customFonts = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--out" && hasValue) {
            options.outDir = argv[++i];
        } else if (arg == "--rows" && hasValue) {
            char* end = nullptr;
            const unsigned long long rows = std::strtoull(argv[++i], &end, 10);
            if (!end || *end != '\0' || rows > 10000000ULL) {
                usage();
                return 2;
            }
            options.rows = static_cast<size_t>(rows);
        } else if (arg == "--fonts" && hasValue) {
            if (!customFonts)
                options.fontFolders.clear();
            customFonts = true;
            options.fontFolders.emplace_back(argv[++i]);
        } else if (arg == "--render-previews") {
            options.renderPreviews = true;
        } else if (arg == "--no-assets") {
            options.assets = false;
        } else {
            usage();
            return 2;
        }
    }
    if (options.outDir.empty()) {
        usage();
        return 2;
    }
    std::string error;
    if (!catalogue::CatalogueGenerator::generate(options, &error)) {
        std::fprintf(stderr, "corvane-catalogue: %s\n", error.c_str());
        return 1;
    }
    std::printf("catalogue written to %s\n", options.outDir.c_str());
    return 0;
}
