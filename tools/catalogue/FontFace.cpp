#include "catalogue/FontFace.h"

#include <algorithm>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H

namespace catalogue {

namespace fs = std::filesystem;

namespace {

class Library {
public:
    Library() { FT_Init_FreeType(&lib_); }
    ~Library() { FT_Done_FreeType(lib_); }
    Library(const Library&) = delete;
    Library& operator=(const Library&) = delete;
    FT_Library get() const { return lib_; }

private:
    FT_Library lib_ = nullptr;
};

bool looksSerif(const std::string& family)
{
    return family.find("Serif") != std::string::npos && family.find("Sans") == std::string::npos;
}

} // namespace

std::vector<FontFace> FontScanner::facesOf(const fs::path& file)
{
    std::vector<FontFace> faces;
    Library lib;
    if (!lib.get())
        return faces;
    FT_Long count = 1;
    for (FT_Long index = 0; index < count; ++index) {
        FT_Face face = nullptr;
        if (FT_New_Face(lib.get(), file.c_str(), index, &face) != 0)
            break;
        count = face->num_faces;
        FontFace info;
        info.file = file;
        info.faceIndex = static_cast<int>(index);
        info.family = face->family_name ? face->family_name : file.stem().string();
        info.style = face->style_name ? face->style_name : "Regular";
        const char* ps = FT_Get_Postscript_Name(face);
        info.postScriptName = ps ? ps : file.stem().string();
        if (auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2)))
            info.weightClass = os2->usWeightClass;
        else if (face->style_flags & FT_STYLE_FLAG_BOLD)
            info.weightClass = 700;
        info.hasCjk = FT_Get_Char_Index(face, 0x6C38) != 0;
        info.monospace = FT_IS_FIXED_WIDTH(face) ||
                         info.family.find("Mono") != std::string::npos;
        info.serif = looksSerif(info.family);
        faces.push_back(std::move(info));
        FT_Done_Face(face);
    }
    return faces;
}

std::vector<FontFace> FontScanner::scan(const std::vector<fs::path>& folders)
{
    std::vector<fs::path> files;
    for (const auto& folder : folders) {
        std::error_code ec;
        if (!fs::is_directory(folder, ec))
            continue;
        for (const auto& entry : fs::recursive_directory_iterator(folder, ec)) {
            const auto ext = entry.path().extension().string();
            if (entry.is_regular_file() && (ext == ".ttf" || ext == ".ttc" || ext == ".otf"))
                files.push_back(entry.path());
        }
    }
    std::sort(files.begin(), files.end());
    files.erase(std::unique(files.begin(), files.end()), files.end());
    std::vector<FontFace> faces;
    for (const auto& file : files) {
        auto more = facesOf(file);
        faces.insert(faces.end(), more.begin(), more.end());
    }
    return faces;
}

} // namespace catalogue
