#pragma once

#include <filesystem>
#include <set>
#include <string>
#include <vector>

// The font files this client wrote into the user's font folder, and for which font: the record
// "installedFontFiles.plist" beside the downloaded-font map, one property-list dictionary from a
// file's path to the font's id and name and the file's stamp (device, inode, size, modification
// and change times) as the client left it.
//
// An installation may replace a file of the folder only when it is still the file the client wrote
// for the same font: a file the user deleted and put back, changed, or that another font's archive
// brought is not the one recorded, and stays. A missing or unreadable record knows no file, which
// keeps every file where it is.
//
// Each change is one read-modify-write of the current file, written to a temporary file and
// renamed. Call it on the main queue, as the downloaded-font map.
class KXInstalledFontFiles {
public:
    static constexpr const char* kFileName = "installedFontFiles.plist";

    struct Font {
        long long fontid = 0;
        std::string fontname;
    };

    // The record of this user, made on first use.
    static KXInstalledFontFiles& shared();
    // <cache>/KXFonts/installedFontFiles.plist.
    static std::filesystem::path defaultFile();

    explicit KXInstalledFontFiles(std::filesystem::path file);

    const std::filesystem::path& file() const { return file_; }

    // The files recorded for `font` that are still as the client wrote them.
    std::set<std::filesystem::path> filesOf(const Font& font) const;
    // Records the files just written for `font` as they are now; entries whose file has changed
    // since or gone are dropped. False when the record could not be written.
    bool recordWritten(const Font& font, const std::vector<std::filesystem::path>& written);

private:
    std::filesystem::path file_;
};
