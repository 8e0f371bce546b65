#include "Class/Favourites/Core/KXCollectionHeaderLayout.h"

#include <QFontMetricsF>
#include <QGuiApplication>
#include <QTextDocument>

#include <gtest/gtest.h>

namespace {

// The header at the page's designed width.
constexpr int kDesigned = 310;

} // namespace

TEST(KXCollectionHeaderLayout, WithoutADescriptionTheHeaderIs372)
{
    EXPECT_EQ(KXCollectionHeaderLayout::height(QString(), kDesigned), 372);
    EXPECT_EQ(KXCollectionHeaderLayout::height(QString(), 1200), 372);
}

TEST(KXCollectionHeaderLayout, TheDescriptionAddsItsLinesWithTheirSpacing)
{
    QFont font = QGuiApplication::font();
    font.setPixelSize(14);
    const double line = QFontMetricsF(font).height();
    const int one = KXCollectionHeaderLayout::height(QStringLiteral("One line"), kDesigned);
    EXPECT_GE(one, 372 + static_cast<int>(line));
    EXPECT_LE(one, 372 + static_cast<int>(std::ceil(line + 8)));

    const int three = KXCollectionHeaderLayout::height(QStringLiteral("First\nSecond\nThird"), kDesigned);
    EXPECT_NEAR(three - one, 2 * (line + 8), 2.0) << "each further line is a line plus 8";

    // A long paragraph wraps at 280 points: it is as high as the lines it takes.
    const QString paragraph = QStringLiteral("word ").repeated(120);
    QTextDocument document;
    KXCollectionHeaderLayout::describe(document, paragraph, kDesigned);
    EXPECT_EQ(document.textWidth(), 280);
    EXPECT_GT(document.size().height(), 5 * (line + 8));
    EXPECT_EQ(KXCollectionHeaderLayout::height(paragraph, kDesigned), 372 + static_cast<int>(std::ceil(document.size().height())));
}

TEST(KXCollectionHeaderLayout, TheDescriptionSpansAWiderHeaderButNeverLessThan280)
{
    const QString paragraph = QStringLiteral("word ").repeated(120);
    QTextDocument wide;
    KXCollectionHeaderLayout::describe(wide, paragraph, 700);
    EXPECT_EQ(wide.textWidth(), 670) << "15 in from either edge";
    EXPECT_GT(wide.idealWidth(), 600);
    EXPECT_EQ(KXCollectionHeaderLayout::height(paragraph, 700), 372 + static_cast<int>(std::ceil(wide.size().height())));
    EXPECT_LT(KXCollectionHeaderLayout::height(paragraph, 700), KXCollectionHeaderLayout::height(paragraph, kDesigned));

    // Narrower than designed (a scroll bar beside it), the description keeps its 280.
    QTextDocument narrow;
    KXCollectionHeaderLayout::describe(narrow, paragraph, 296);
    EXPECT_EQ(narrow.textWidth(), 280);
    EXPECT_EQ(KXCollectionHeaderLayout::height(paragraph, 296), KXCollectionHeaderLayout::height(paragraph, kDesigned));
}
