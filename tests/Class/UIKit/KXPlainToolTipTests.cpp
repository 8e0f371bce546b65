// Tooltips of text from the service or the user: shown as written, on one line while it is short,
// wrapped when it is long.
#include "Class/UIKit/KXPlainToolTip.h"

#include <QApplication>
#include <QFontMetrics>
#include <QLabel>
#include <QTextDocument>
#include <QToolTip>
#include <gtest/gtest.h>

namespace {

// The tooltip on screen after showing `tip`, or nullptr.
QLabel* shownTip(const QString& tip)
{
    QToolTip::hideText();
    QToolTip::showText(QPoint(100, 100), tip);
    for (QWidget* top : QApplication::topLevelWidgets())
        if (top->inherits("QTipLabel") && top->isVisible())
            return qobject_cast<QLabel*>(top);
    return nullptr;
}

// A tooltip of one line is less than two lines high, margins included.
bool isOneLine(const QLabel& tip)
{
    return tip.height() < 2 * QFontMetrics(QToolTip::font()).lineSpacing();
}

TEST(KXPlainToolTip, AFolderNameShowsOnOneLine)
{
    const QString name = QStringLiteral("设计师最爱的标题字体与正文字体合集第一辑Ⅱ");
    ASSERT_EQ(name.size(), 21);
    QLabel* tip = shownTip(kx_plainToolTip(name));
    ASSERT_NE(tip, nullptr);
    EXPECT_TRUE(isOneLine(*tip)) << tip->size().width() << "x" << tip->size().height();
    EXPECT_GE(tip->width(), QFontMetrics(QToolTip::font()).horizontalAdvance(name));
    QToolTip::hideText();
}

TEST(KXPlainToolTip, MarkupAndSpacesShowAsWritten)
{
    for (const QString& text : {QStringLiteral("<b>粗体</b> & <a href='x'>链接</a>"), QStringLiteral("两个  空格"),
                                QStringLiteral("&lt;已转义&gt;")}) {
        const QString tip = kx_plainToolTip(text);
        EXPECT_TRUE(Qt::mightBeRichText(tip)) << "markup of our own, so the text is never read as markup";
        QTextDocument shown;
        shown.setHtml(tip);
        EXPECT_EQ(shown.toPlainText(), text);
    }
    EXPECT_TRUE(kx_plainToolTip(QString()).isEmpty()) << "no text, no tooltip";
}

TEST(KXPlainToolTip, ALongTextWrapsInsteadOfRunningAcrossTheScreen)
{
    const QString text = QStringLiteral("这是一段很长的说明文字，").repeated(12);
    ASSERT_GT(QFontMetrics(QToolTip::font()).horizontalAdvance(text), 2 * kx_plainToolTipLineWidth);
    QLabel* tip = shownTip(kx_plainToolTip(text));
    ASSERT_NE(tip, nullptr);
    EXPECT_FALSE(isOneLine(*tip));
    EXPECT_LE(tip->width(), 2 * kx_plainToolTipLineWidth);
    QToolTip::hideText();
}

} // namespace
