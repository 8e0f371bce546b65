#include "catalogue/TextRenderer.h"

#include <algorithm>
#include <mutex>
#include <optional>
#include <string>
#include <vector>
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

// Lays the foreground with the given coverage over a pixel of straight (not premultiplied) ARGB.
// Over an opaque pixel this is the plain mix of the two colours; over a transparent one the pixel
// takes the foreground's colour and the coverage as its alpha.
QRgb blend(QRgb under, const QColor& over, int coverage)
{
    const int a = coverage * over.alpha() / 255;
    const int underAlpha = qAlpha(under);
    const int total = a * 255 + underAlpha * (255 - a); // the result's alpha, times 255
    if (total == 0)
        return qRgba(0, 0, 0, 0);
    const auto channel = [&](int overChannel, int underChannel) {
        return (overChannel * a * 255 + underChannel * underAlpha * (255 - a)) / total;
    };
    return qRgba(channel(over.red(), qRed(under)), channel(over.green(), qGreen(under)),
                 channel(over.blue(), qBlue(under)), total / 255);
}

// One glyph's coverage, placed from the line's pen start (left) and above the baseline (top).
struct Glyph {
    int left = 0;
    int top = 0;
    int width = 0;
    int rows = 0;
    std::vector<unsigned char> coverage;
};

// A line of glyphs at one size, with the columns its ink covers and the face's vertical extent.
struct Line {
    std::vector<Glyph> glyphs;
    int inkLeft = 0;  // the first inked column from the pen start; negative when a glyph reaches back
    int inkRight = 0; // one past the last inked column
    int ascender = 0;
    int descender = 0;

    int inkWidth() const { return inkRight - std::min(inkLeft, 0); }
};

// The smallest size a long line is shrunk to; a line still wider at it is cut at the canvas.
constexpr int kSmallestPixelSize = 8;

std::optional<Line> layOut(FT_Face face, const std::u32string& text, int pixelSize, int widthLimit)
{
    if (FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(pixelSize)) != 0)
        return std::nullopt;
    Line line;
    line.ascender = static_cast<int>(face->size->metrics.ascender >> 6);
    line.descender = static_cast<int>(-(face->size->metrics.descender >> 6));
    int penX = 0;
    for (const char32_t code : text) {
        if (FT_Load_Char(face, code, FT_LOAD_RENDER | FT_LOAD_NO_BITMAP) != 0)
            continue;
        const FT_GlyphSlot slot = face->glyph;
        const FT_Bitmap& bitmap = slot->bitmap;
        if (bitmap.pixel_mode == FT_PIXEL_MODE_GRAY && bitmap.width > 0 && bitmap.rows > 0) {
            Glyph glyph;
            glyph.left = penX + slot->bitmap_left;
            glyph.top = slot->bitmap_top;
            glyph.width = static_cast<int>(bitmap.width);
            glyph.rows = static_cast<int>(bitmap.rows);
            glyph.coverage.resize(static_cast<std::size_t>(glyph.width) * static_cast<std::size_t>(glyph.rows));
            for (int row = 0; row < glyph.rows; ++row) {
                const unsigned char* src = bitmap.buffer + static_cast<std::ptrdiff_t>(row) * bitmap.pitch;
                std::copy(src, src + glyph.width,
                          glyph.coverage.begin() + static_cast<std::ptrdiff_t>(row) * glyph.width);
            }
            line.inkLeft = line.glyphs.empty() ? glyph.left : std::min(line.inkLeft, glyph.left);
            line.inkRight = line.glyphs.empty() ? glyph.left + glyph.width
                                                : std::max(line.inkRight, glyph.left + glyph.width);
            line.glyphs.push_back(std::move(glyph));
        }
        penX += static_cast<int>(slot->advance.x >> 6);
        if (penX >= widthLimit)
            break; // far past any canvas: the rest would only be shrunk away or cut
    }
    return line;
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
    return style;
}

TextRenderer::Style TextRenderer::newFontStyle(Style style)
{
    style.foreground = style.foreground.lightness() < 128 ? QColor(0xe0, 0x4a, 0x2f) : QColor(0xff, 0x8a, 0x65);
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

bool TextRenderer::isUpToDate(const std::filesystem::path& preview, const std::filesystem::path& fontFile)
{
    static const std::optional<std::filesystem::file_time_type> programTime = [] {
        std::error_code ec;
        const auto time = std::filesystem::last_write_time("/proc/self/exe", ec);
        return ec ? std::nullopt : std::optional(time);
    }();
    std::error_code ec;
    const auto written = std::filesystem::last_write_time(preview, ec);
    if (ec)
        return false;
    const auto fontTime = std::filesystem::last_write_time(fontFile, ec);
    return !ec && written >= fontTime && (!programTime || written >= *programTime);
}

QImage TextRenderer::Face::render(const QString& text, const Style& style)
{
    std::lock_guard lock(state_->mutex);
    const FT_Face face = state_->ft.face;
    const std::u32string codes = text.toStdU32String();
    const int room = style.width - 2 * style.margin;
    // Beyond this width a line is cut whatever its size, so laying out more of it is useless.
    const int widthLimit = std::max(style.width, room * style.pixelSize / kSmallestPixelSize + style.width);

    int size = style.pixelSize;
    std::optional<Line> line = layOut(face, codes, size, widthLimit);
    // Glyph widths do not scale exactly with the size (hinting), so shrink until the ink fits.
    while (line && line->inkWidth() > room && size > kSmallestPixelSize) {
        size = std::max(kSmallestPixelSize, std::min(size - 1, size * room / std::max(line->inkWidth(), 1)));
        line = layOut(face, codes, size, widthLimit);
    }
    if (!line)
        return {};

    const bool opaque = style.background.alpha() == 255;
    QImage image(style.width, style.height, opaque ? QImage::Format_RGB32 : QImage::Format_ARGB32);
    image.fill(style.background);

    const int baseline = (style.height - (line->ascender + line->descender)) / 2 + line->ascender;
    // A glyph that reaches back before the pen start (an italic's overhang) still starts inside the margin.
    const int penX = style.margin - std::min(line->inkLeft, 0);
    for (const Glyph& glyph : line->glyphs) {
        const int left = penX + glyph.left;
        const int top = baseline - glyph.top;
        for (int row = 0; row < glyph.rows; ++row) {
            const int y = top + row;
            if (y < 0 || y >= style.height)
                continue;
            auto* pixels = reinterpret_cast<QRgb*>(image.scanLine(y));
            const unsigned char* coverage = glyph.coverage.data() + static_cast<std::ptrdiff_t>(row) * glyph.width;
            for (int col = 0; col < glyph.width; ++col) {
                const int x = left + col;
                if (x < 0 || x >= style.width - style.margin / 2)
                    continue;
                if (coverage[col] != 0)
                    pixels[x] = blend(pixels[x], style.foreground, coverage[col]);
            }
        }
    }
    return image;
}

} // namespace catalogue
