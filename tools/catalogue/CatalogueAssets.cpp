#include "catalogue/CatalogueAssets.h"

#include "catalogue/TextRenderer.h"
#include "catalogue/ZipWriter.h"

#include <QImage>
#include <set>
#include <utility>

namespace catalogue {

namespace fs = std::filesystem;

namespace {

bool upToDate(const fs::path& target, const fs::path& source)
{
    std::error_code ec;
    if (!fs::exists(target, ec))
        return false;
    return fs::last_write_time(target, ec) >= fs::last_write_time(source, ec);
}

bool savePng(const QImage& image, const fs::path& path, std::string* error)
{
    std::error_code ec;
    fs::create_directories(path.parent_path(), ec);
    const fs::path temporary = path.string() + ".tmp";
    if (image.isNull() || !image.save(QString::fromStdString(temporary.string()), "PNG")) {
        if (error)
            *error = "cannot write " + path.string();
        return false;
    }
    fs::rename(temporary, path, ec);
    return !ec;
}

// A soft diagonal gradient between two colours: covers and avatars need no text.
QImage gradient(int width, int height, QColor from, QColor to)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const double t = (static_cast<double>(x) / width + static_cast<double>(y) / height) / 2.0;
            line[x] = qRgb(static_cast<int>(from.red() + (to.red() - from.red()) * t),
                           static_cast<int>(from.green() + (to.green() - from.green()) * t),
                           static_cast<int>(from.blue() + (to.blue() - from.blue()) * t));
        }
    }
    return image;
}

} // namespace

bool CatalogueAssets::writeArchives(const std::vector<SampleFont>& fonts, const fs::path& dir, std::string* error)
{
    std::set<std::string> done;
    for (const auto& font : fonts) {
        if (!done.insert(font.archiveName).second)
            continue;
        const fs::path target = dir / font.archiveName;
        if (upToDate(target, font.face.file))
            continue;
        ZipWriter zip;
        zip.addFile(font.face.file.filename().string(), font.face.file);
        if (!zip.writeTo(target, error))
            return false;
    }
    return true;
}

bool CatalogueAssets::writePreviews(const std::vector<SampleFont>& fonts, const fs::path& dir, std::string* error)
{
    for (const auto& font : fonts) {
        const std::string id = std::to_string(font.row.fontid);
        const QString text = QString::fromStdString(font.row.fontname);
        const std::pair<fs::path, TextRenderer::Style> previews[] = {
            {dir / (id + "_day.png"), TextRenderer::dayStyle()},
            {dir / (id + "_night.png"), TextRenderer::nightStyle()},
            {dir / (id + "_new_day.png"), TextRenderer::newFontStyle(TextRenderer::dayStyle())},
            {dir / (id + "_new_night.png"), TextRenderer::newFontStyle(TextRenderer::nightStyle())},
        };
        for (const auto& [path, style] : previews) {
            if (!TextRenderer::isUpToDate(path, font.face.file) &&
                !savePng(TextRenderer::render(font.face.file, font.face.faceIndex, text, style), path, error))
                return false;
        }
    }
    return true;
}

bool CatalogueAssets::writePictures(const fs::path& filesDir, std::string* error)
{
    const QColor palette[][2] = {
        {{0x3b, 0x76, 0xff}, {0x8e, 0xc5, 0xfc}}, {{0xee, 0x54, 0x54}, {0xff, 0xc3, 0x71}},
        {{0x2e, 0xb8, 0x8a}, {0xb4, 0xec, 0x51}}, {{0x97, 0x7d, 0x62}, {0xf1, 0xe4, 0xd3}},
        {{0x6a, 0x3d, 0x9a}, {0xe0, 0xc3, 0xfc}}, {{0x1f, 0x1f, 0x24}, {0x6b, 0x6b, 0x80}},
        {{0xd7, 0xb2, 0x7f}, {0xff, 0xf6, 0xe0}}, {{0x00, 0x7c, 0x91}, {0x9a, 0xe6, 0xf0}},
    };
    for (int i = 0; i < 8; ++i) {
        if (!savePng(gradient(560, 300, palette[i][0], palette[i][1]),
                     filesDir / "covers" / ("cover_" + std::to_string(i + 1) + ".png"), error))
            return false;
    }
    for (int i = 0; i < 6; ++i) {
        if (!savePng(gradient(120, 120, palette[7 - i][1], palette[7 - i][0]),
                     filesDir / "avatars" / ("avatar_" + std::to_string(i + 1) + ".png"), error))
            return false;
    }
    return savePng(gradient(300, 100, palette[3][0], palette[3][1]), filesDir / "images" / "questionnaire.png", error) &&
           savePng(gradient(200, 200, palette[0][0], palette[0][1]), filesDir / "images" / "qq_group.png", error);
}

} // namespace catalogue
