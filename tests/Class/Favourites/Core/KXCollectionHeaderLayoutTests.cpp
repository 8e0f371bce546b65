#include "Class/Favourites/Core/KXCollectionHeaderLayout.h"

#include <QFontMetricsF>
#include <QGuiApplication>
#include <QTextDocument>

#include <gtest/gtest.h>

TEST(KXCollectionHeaderLayout, WithoutADescriptionTheHeaderIs372)
{
    EXPECT_EQ(KXCollectionHeaderLayout::height(QString()), 372);
}

TEST(KXCollectionHeaderLayout, TheDescriptionAddsItsLinesWithTheirSpacing)
{
    QFont font = QGuiApplication::font();
    font.setPixelSize(14);
    const double line = QFontMetricsF(font).height();
    const int one = KXCollectionHeaderLayout::height(QStringLiteral("One line"));
    EXPECT_GE(one, 372 + static_cast<int>(line));
    EXPECT_LE(one, 372 + static_cast<int>(std::ceil(line + 8)));

    const int three = KXCollectionHeaderLayout::height(QStringLiteral("First\nSecond\nThird"));
    EXPECT_NEAR(three - one, 2 * (line + 8), 2.0) << "each further line is a line plus 8";

    // A long paragraph wraps at 280 points: it is as high as the lines it takes.
    const QString paragraph = QStringLiteral("word ").repeated(120);
    QTextDocument document;
    KXCollectionHeaderLayout::describe(document, paragraph);
    EXPECT_EQ(document.textWidth(), 280);
    EXPECT_GT(document.size().height(), 5 * (line + 8));
    EXPECT_EQ(KXCollectionHeaderLayout::height(paragraph), 372 + static_cast<int>(std::ceil(document.size().height())));
}
