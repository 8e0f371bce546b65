// Qt's own texts in Simplified Chinese once the translation is installed.
#include "Class/AppShell/KXQtTranslation.h"

#include <QCoreApplication>
#include <QTranslator>
#include <gtest/gtest.h>

TEST(KXQtTranslation, QtsOwnTextsComeInSimplifiedChinese)
{
    const auto copy = [] { return QCoreApplication::translate("QLineEdit", "&Copy"); };
    const auto cancel = [] { return QCoreApplication::translate("QPlatformTheme", "Cancel"); };
    ASSERT_EQ(copy(), QStringLiteral("&Copy")) << "nothing installed yet";
    QTranslator* translator = KXQtTranslation::install();
    ASSERT_NE(translator, nullptr) << "the translation ships with qt6-translations-l10n";
    EXPECT_EQ(copy(), QStringLiteral("复制(&C)"));
    EXPECT_EQ(cancel(), QStringLiteral("取消"));
    QCoreApplication::removeTranslator(translator);
    delete translator;
}
