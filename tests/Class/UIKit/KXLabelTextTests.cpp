#include "Class/UIKit/KXLabelText.h"

#include <QFont>
#include <gtest/gtest.h>
#include <string>

TEST(KXLabelText, LongTextIsCutBeforeItIsMeasuredNeverInsideACharacter)
{
    EXPECT_EQ(kx_labelText(QStringLiteral("小明")), QStringLiteral("小明"));
    EXPECT_EQ(kx_labelText(std::string_view("小明")), QStringLiteral("小明"));

    // A surrogate pair straddling the limit goes whole.
    QString text(kx_labelTextLimit - 1, QLatin1Char('a'));
    text += QStringLiteral("𝄞tail");
    EXPECT_EQ(kx_labelText(text), QString(kx_labelTextLimit - 1, QLatin1Char('a')));

    // From UTF-8: eight million characters become the limit's, cut at a character.
    std::string name;
    for (int i = 0; i < 2'000'000; ++i)
        name += "昵称𝄞";
    const QString cut = kx_labelText(name);
    ASSERT_LE(cut.size(), kx_labelTextLimit);
    EXPECT_GE(cut.size(), kx_labelTextLimit - 1);
    EXPECT_TRUE(QString::fromStdString(name.substr(0, 4096 * 4)).startsWith(cut));
    EXPECT_FALSE(cut.back().isHighSurrogate());
    // Bytes cut inside a character never reach the text as a replacement character.
    EXPECT_FALSE(cut.contains(QChar(0xFFFD)));

    const QFontMetrics metrics { QFont() };
    const QString elided = kx_elidedText(metrics, QString::fromStdString(name), Qt::ElideRight, 120);
    EXPECT_TRUE(elided.endsWith(QStringLiteral("…")));
    EXPECT_LE(metrics.horizontalAdvance(elided), 120);
}
