#include "Support/TempHome.h"
#include "catalogue/CatalogueAssets.h"
#include "catalogue/TextRenderer.h"

#include <gtest/gtest.h>
#include <map>
#include <set>

namespace fs = std::filesystem;
using catalogue::TextRenderer;

namespace {

const fs::path kSans = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
const fs::path kBoldOblique = "/usr/share/fonts/truetype/dejavu/DejaVuSans-BoldOblique.ttf";

// The box of the pixels that differ from the top-left corner: the text's ink.
QRect inkBounds(const QImage& image)
{
    const QImage pixels = image.convertToFormat(QImage::Format_ARGB32);
    const QRgb corner = pixels.pixel(0, 0);
    QRect box;
    for (int y = 0; y < pixels.height(); ++y)
        for (int x = 0; x < pixels.width(); ++x)
            if (pixels.pixel(x, y) != corner)
                box |= QRect(x, y, 1, 1);
    return box;
}

} // namespace

TEST(TextRenderer, PreviewsLieOnATransparentBackgroundInTheirThemesColours)
{
    catalogue::SampleFont font;
    font.row.fontid = 1001;
    font.row.fontname = "DejaVu Sans";
    font.face.file = kSans;
    const fs::path dir = testsupport::makeScratchDir("previews");
    std::string error;
    ASSERT_TRUE(catalogue::CatalogueAssets::writePreviews({ font }, dir, &error)) << error;

    // The colour of each written file's ink, by file.
    std::map<std::string, QColor> inks;
    for (const char* name : { "1001_day.png", "1001_night.png", "1001_new_day.png", "1001_new_night.png" }) {
        SCOPED_TRACE(name);
        const QImage pixels
            = QImage(QString::fromStdString((dir / name).string())).convertToFormat(QImage::Format_ARGB32);
        ASSERT_EQ(pixels.size(), QSize(600, 80));
        std::map<int, int> alphas; // count by kind: 0 clear, 1 edge, 2 solid
        std::set<QRgb> colours;
        for (int y = 0; y < pixels.height(); ++y) {
            for (int x = 0; x < pixels.width(); ++x) {
                const QRgb pixel = pixels.pixel(x, y);
                ++alphas[qAlpha(pixel) == 0 ? 0 : qAlpha(pixel) < 255 ? 1 : 2];
                if (qAlpha(pixel) > 0)
                    colours.insert(pixel & RGB_MASK);
            }
        }
        EXPECT_EQ(qAlpha(pixels.pixel(0, 0)) + qAlpha(pixels.pixel(599, 79)), 0) << "transparent corners";
        EXPECT_GT(alphas[0], 600 * 80 * 3 / 4) << "around the text nothing is painted";
        EXPECT_GT(alphas[1], 0) << "edges are smoothed by coverage";
        EXPECT_GT(alphas[2], 0);
        ASSERT_EQ(colours.size(), 1u)
            << "every inked pixel is the text's colour, never mixed with a background";
        inks[name] = QColor::fromRgb(*colours.begin());
    }
    EXPECT_LT(inks["1001_day.png"].lightness(), inks["1001_night.png"].lightness())
        << "dark text for light rows, light text for dark rows";
    EXPECT_LT(inks["1001_new_day.png"].lightness(), inks["1001_new_night.png"].lightness());
    EXPECT_NE(inks["1001_new_day.png"], inks["1001_day.png"]) << "new fonts show in the accent colour";
    EXPECT_NE(inks["1001_new_night.png"], inks["1001_night.png"]);
}

TEST(TextRenderer, LongNamesShrinkToFitWholeWhileShortNamesKeepTheirSize)
{
    const TextRenderer::Style style = TextRenderer::dayStyle();
    TextRenderer::Style unbounded = style;
    unbounded.width = 4000;
    const int room = style.width - 2 * style.margin;

    // An oblique face: its last letters lean past their advance. The second name is as long as
    // the local service lets a rendered text be.
    for (const QString& longName :
        { QString("DejaVu Sans Bold Oblique"), QString("Corvane Sans Bold Oblique Condensed Wide") }) {
        SCOPED_TRACE(longName.toStdString());
        const QImage shown = TextRenderer::render(kBoldOblique, 0, longName, style);
        const QRect fitted = inkBounds(shown);
        const QRect whole = inkBounds(TextRenderer::render(kBoldOblique, 0, longName, unbounded));
        ASSERT_FALSE(fitted.isEmpty());
        ASSERT_GT(whole.width(), room) << "the name is too long for the canvas at its normal size";
        EXPECT_GE(fitted.left(), style.margin);
        EXPECT_LE(fitted.right(), style.width - style.margin) << "the ink ends inside the right margin";
        EXPECT_GT(fitted.top(), 0);
        EXPECT_LT(fitted.bottom(), style.height - 1);
        EXPECT_LT(fitted.height(), whole.height()) << "drawn smaller";
        EXPECT_GT(fitted.width(), room * 9 / 10) << "no smaller than it has to be";

        // The preview is the whole name drawn at some smaller size, not a part of it.
        int sameSize = 0;
        for (int size = style.pixelSize - 1; size > 0 && sameSize == 0; --size) {
            TextRenderer::Style smaller = unbounded;
            smaller.pixelSize = size;
            const QImage drawn = TextRenderer::render(kBoldOblique, 0, longName, smaller);
            if (inkBounds(drawn) == fitted && drawn.copy(0, 0, style.width, style.height) == shown)
                sameSize = size;
        }
        EXPECT_GT(sameSize, 0) << "no smaller size draws the whole name as the preview shows it";
    }

    for (const auto& [file, name] :
        { std::pair { kSans, QString("DejaVu Sans") }, std::pair { kBoldOblique, QString("Ab") } }) {
        SCOPED_TRACE(name.toStdString());
        const QImage shown = TextRenderer::render(file, 0, name, style);
        const QImage wide = TextRenderer::render(file, 0, name, unbounded);
        EXPECT_EQ(inkBounds(shown), inkBounds(wide)) << "a name that fits keeps its size and place";
        EXPECT_EQ(shown, wide.copy(0, 0, style.width, style.height));
    }
}

TEST(TextRenderer, PreviewsWrittenBeforeTheRendererChangedAreWrittenAgain)
{
    // The font older than its preview, the preview older than the program that renders: a preview
    // a build folder kept from a renderer that drew differently.
    const fs::path dir = testsupport::makeScratchDir("stale-previews");
    catalogue::SampleFont font;
    font.row.fontid = 1001;
    font.row.fontname = "DejaVu Sans";
    font.face.file = dir / "DejaVuSans.ttf";
    fs::copy_file(kSans, font.face.file);
    const auto program = fs::last_write_time("/proc/self/exe");
    fs::last_write_time(font.face.file, program - std::chrono::hours(2));
    const fs::path day = dir / "1001_day.png";
    QImage old(600, 80, QImage::Format_RGB32);
    old.fill(Qt::white);
    ASSERT_TRUE(old.save(QString::fromStdString(day.string()), "PNG"));
    fs::last_write_time(day, program - std::chrono::hours(1));

    std::string error;
    ASSERT_TRUE(catalogue::CatalogueAssets::writePreviews({ font }, dir, &error)) << error;
    EXPECT_FALSE(inkBounds(QImage(QString::fromStdString(day.string()))).isEmpty()) << "rendered again";
    const auto rendered = fs::last_write_time(day);
    ASSERT_TRUE(catalogue::CatalogueAssets::writePreviews({ font }, dir, &error)) << error;
    EXPECT_EQ(fs::last_write_time(day), rendered) << "written by this program: kept";
}
