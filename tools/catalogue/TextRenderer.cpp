#include "catalogue/TextRenderer.h"

#include <algorithm>
#include <mutex>
#include <ft2build.h>
#include FT_FREETYPE_H

namespace catalogue {

namespace {

struct FreeTypeFace {
    FT_Library lib = nullptr;
    FT_Face face = nullptr;
    FreeTypeFace(const std::filesystem::path& file, int index)
    {
        if (FT_Init_FreeType(&lib) != 0) {
            lib = nullptr;
            return;
        }
        if (FT_New_Face(lib, file.c_str(), index, &face) != 0)
            face = nullptr;
    }
    ~FreeTypeFace()
    {
        if (face)
            FT_Done_Face(face);
        if (lib)
            FT_Done_FreeType(lib);
    }
    FreeTypeFace(const FreeTypeFace&) = delete;
    FreeTypeFace& operator=(const FreeTypeFace&) = delete;
};

QRgb blend(QRgb under, const QColor& over, int coverage)
{
    const int a = coverage;
    const int r = (over.red() * a + qRed(under) * (255 - a)) / 255;
    const int g = (over.green() * a + qGreen(under) * (255 - a)) / 255;
    const int b = (over.blue() * a + qBlue(under) * (255 - a)) / 255;
    return qRgb(r, g, b);
}

} // namespace

TextRenderer::Style TextRenderer::dayStyle()
{
    return Style{};
}

TextRenderer::Style TextRenderer::nightStyle()
{
    Style style;
    style.foreground = QColor(0xe6, 0xe6, 0xe6);
    style.background = QColor(0x2b, 0x2b, 0x30);
    return style;
}

TextRenderer::Style TextRenderer::newFontStyle(Style style)
{
    style.foreground = style.background.lightness() > 128 ? QColor(0xe0, 0x4a, 0x2f) : QColor(0xff, 0x8a, 0x65);
    return style;
}

struct TextRenderer::Face::State {
    FreeTypeFace ft;
    std::mutex mutex;
    State(const std::filesystem::path& file, int index)
        : ft(file, index)
    {
    }
};

TextRenderer::Face::Face(std::unique_ptr<State> state)
    : state_(std::move(state))
{
}

TextRenderer::Face::~Face() = default;

std::shared_ptr<TextRenderer::Face> TextRenderer::Face::open(const std::filesystem::path& fontFile, int faceIndex)
{
    auto state = std::make_unique<State>(fontFile, faceIndex);
    if (!state->ft.face)
        return nullptr;
    return std::make_shared<Face>(std::move(state));
}

QImage TextRenderer::render(const std::filesystem::path& fontFile, int faceIndex, const QString& text,
                            const Style& style)
{
    const auto face = Face::open(fontFile, faceIndex);
    return face ? face->render(text, style) : QImage();
}

QImage TextRenderer::Face::render(const QString& text, const Style& style)
{
    std::lock_guard lock(state_->mutex);
    FreeTypeFace& ft = state_->ft;
    if (FT_Set_Pixel_Sizes(ft.face, 0, static_cast<FT_UInt>(style.pixelSize)) != 0)
        return {};

    QImage image(style.width, style.height, QImage::Format_RGB32);
    image.fill(style.background);

    const int ascender = static_cast<int>(ft.face->size->metrics.ascender >> 6);
    const int descender = static_cast<int>(-(ft.face->size->metrics.descender >> 6));
    const int baseline = (style.height - (ascender + descender)) / 2 + ascender;
    int penX = style.margin;

    for (const char32_t code : text.toStdU32String()) {
        if (FT_Load_Char(ft.face, code, FT_LOAD_RENDER | FT_LOAD_NO_BITMAP) != 0)
            continue;
        const FT_GlyphSlot slot = ft.face->glyph;
        const FT_Bitmap& bitmap = slot->bitmap;
        if (bitmap.pixel_mode != FT_PIXEL_MODE_GRAY) {
            penX += static_cast<int>(slot->advance.x >> 6);
            continue;
        }
        const int left = penX + slot->bitmap_left;
        const int top = baseline - slot->bitmap_top;
        for (unsigned row = 0; row < bitmap.rows; ++row) {
            const int y = top + static_cast<int>(row);
            if (y < 0 || y >= style.height)
                continue;
            auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
            const unsigned char* src = bitmap.buffer + static_cast<std::ptrdiff_t>(row) * bitmap.pitch;
            for (unsigned col = 0; col < bitmap.width; ++col) {
                const int x = left + static_cast<int>(col);
                if (x < 0 || x >= style.width - style.margin / 2)
                    continue;
                if (const int coverage = src[col])
                    line[x] = blend(line[x], style.foreground, coverage);
            }
        }
        penX += static_cast<int>(slot->advance.x >> 6);
        if (penX >= style.width)
            break;
    }
    return image;
}

} // namespace catalogue
