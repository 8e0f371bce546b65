// The custom-text editor offscreen: what Enter and the button hand over, the field's bounds,
// what closes it, and its pictures over the list.
#include "Class/FontList/KXFontListModel.h"
#include "Class/FontList/KXFontTableView.h"
#include "Class/FontList/KXHomeEditStrView.h"
#include "Class/FontList/KXHomeListView.h"
#include "Class/LayoutWidgets/WindowLayout.h"
#include "Class/Theme/KXThemeManager.h"
#include "FontListTestSupport.h"
#include "Platform/Dispatch/RunLoop.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QTest>
#include <gtest/gtest.h>

namespace {

class RecordingEditorOwner final : public KXHomeEditStrViewDelegate {
public:
    void confirmBtnClickWithString(const foundation::Ref<foundation::String>& text) override
    {
        texts.push_back(text->utf8());
    }
    std::vector<std::string> texts;
};

// An editor over a host window, as the list opens it: pinned to the host's edges.
struct Opened {
    QWidget host;
    QPointer<KXHomeEditStrView> editor = new KXHomeEditStrView(&host);
    std::shared_ptr<RecordingEditorOwner> owner = std::make_shared<RecordingEditorOwner>();
    Opened()
    {
        host.resize(600, 400);
        editor->setGeometry(host.rect());
        editor->setDelegate(owner);
        host.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&host));
        fontlisttest::settle(host);
    }
    bool isOpen() const { return editor && editor->parentWidget() == &host; }
    void type(const QString& text) { QTest::keyClicks(editor->textView(), text); }
    void press(QWidget* widget, QPoint at) { QTest::mousePress(widget, Qt::LeftButton, {}, at); }
};

} // namespace

TEST(KXHomeEditStrView, EnterHandsOverSixUnitsTheButtonTheWholeText)
{
    {
        Opened opened;
        opened.type("abcdefgh");
        QTest::keyClick(opened.editor->textView(), Qt::Key_Return);
        ASSERT_EQ(opened.owner->texts, std::vector<std::string> { "abcdef" });
        EXPECT_FALSE(opened.isOpen()) << "handed over, the editor leaves";
    }
    {
        Opened opened;
        opened.type("abcdefgh");
        QTest::mouseClick(opened.editor->confirmBtn(), Qt::LeftButton);
        ASSERT_EQ(opened.owner->texts, std::vector<std::string> { "abcdefgh" });
        EXPECT_FALSE(opened.isOpen());
    }
    {
        // Six units or fewer pass both ways unchanged; a pair at the cut is left out whole.
        Opened opened;
        opened.editor->textView()->setText(QString::fromUtf8("永和九年\xF0\xA0\x80\x80x"));
        QTest::keyClick(opened.editor->textView(), Qt::Key_Enter);
        ASSERT_EQ(opened.owner->texts, std::vector<std::string> { "永和九年\xF0\xA0\x80\x80" });
    }
}

TEST(KXHomeEditStrView, EmptyTextsAndMissingOwners)
{
    {
        Opened opened;
        QTest::mouseClick(opened.editor->confirmBtn(), Qt::LeftButton);
        EXPECT_TRUE(opened.owner->texts.empty());
        EXPECT_TRUE(opened.isOpen()) << "the button ignores an empty text";
        QTest::keyClick(opened.editor->textView(), Qt::Key_Return);
        ASSERT_EQ(opened.owner->texts, std::vector<std::string> { "" }) << "Enter hands over the empty text";
        EXPECT_FALSE(opened.isOpen());
    }
    {
        Opened opened;
        opened.editor->setDelegate(nullptr);
        opened.type("abc");
        QTest::keyClick(opened.editor->textView(), Qt::Key_Return);
        QTest::mouseClick(opened.editor->confirmBtn(), Qt::LeftButton);
        EXPECT_TRUE(opened.isOpen()) << "nobody to hand over to: it stays";
    }
}

TEST(KXHomeEditStrView, TheFieldKeeps64UnitsAndTurnsLineBreaksIntoSpaces)
{
    Opened opened;
    QLineEdit* field = opened.editor->textView();
    // A paste lands at the caret through the field's own binding.
    QGuiApplication::clipboard()->setText(QString(200, QChar(u'字')));
    field->setFocus();
    QTest::keyClick(field, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(field->text().size(), 64);
    QTest::keyClick(field, Qt::Key_Return);
    ASSERT_EQ(opened.owner->texts.size(), 1u);
    EXPECT_EQ(QString::fromStdString(opened.owner->texts[0]), QString(6, QChar(u'字')))
        << "then Enter cuts to 6";

    Opened second;
    second.editor->textView()->setText(QStringLiteral("a\nb\tc"));
    EXPECT_EQ(second.editor->textView()->text(), QStringLiteral("a b c"));
}

TEST(KXHomeEditStrView, PressesOutsideTheFieldAndButtonCloseWithoutHandingOver)
{
    {
        Opened opened;
        opened.type("abc");
        opened.press(opened.editor, QPoint(5, 5));
        EXPECT_FALSE(opened.isOpen()) << "the veil";
        EXPECT_TRUE(opened.owner->texts.empty());
    }
    {
        Opened opened;
        opened.press(opened.editor->blowView(), QPoint(3, 3));
        EXPECT_FALSE(opened.isOpen()) << "the white body too";
    }
    {
        Opened opened;
        opened.press(opened.editor->textView(), QPoint(5, 5));
        EXPECT_TRUE(opened.isOpen()) << "the field keeps it open";
    }
}

TEST(KXHomeEditStrView, TheListOpensOneEditorAndTakesItsText)
{
    fontlisttest::ScopedPreviewSource previews;
    KXHomeListView list(QRect(0, 0, 800, 560));
    list.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&list));
    list.setTabTypeNum(KXHomeListView::ModeLocal);
    list.setDataArray(fontlisttest::records(3));
    list.editBtnClick();
    list.editBtnClick();
    fontlisttest::settle(list);
    const auto editors = list.findChildren<KXHomeEditStrView*>(Qt::FindDirectChildrenOnly);
    ASSERT_EQ(editors.size(), 1) << "one editor on top at a time";
    EXPECT_EQ(editors[0]->geometry(), list.rect());
    EXPECT_EQ(editors[0]->blowView()->geometry().center(), list.rect().center());
    QTest::keyClicks(editors[0]->textView(), "Preview");
    QTest::keyClick(editors[0]->textView(), Qt::Key_Return);
    EXPECT_EQ(list.customStr()->utf8(), "Previe");
    EXPECT_TRUE(KXHomeListView::isCustomTextActive());
    EXPECT_EQ(list.listModel()->recordAt(2)->localTitle->utf8(), "Previe")
        << "the local tab draws it at once";
    list.setTabTypeNum(KXHomeListView::ModeCloud);
    EXPECT_FALSE(KXHomeListView::isCustomTextActive()) << "the cloud tab clears the flag";
    EXPECT_EQ(list.customStr()->utf8(), "Previe") << "but keeps the text";
    list.setCustomStr(nullptr);
}

class EditorScreenshot : public testing::TestWithParam<bool> { };

TEST_P(EditorScreenshot, OverTheList)
{
    fontlisttest::ScopedPreviewSource previews;
    KXHomeListView list(QRect(0, 0, 900, 600));
    list.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&list));
    if (!GetParam())
        list.themeClick();
    list.editBtnClick();
    auto* editor = list.findChild<KXHomeEditStrView*>();
    ASSERT_TRUE(editor);
    editor->textView()->insert(QString::fromUtf8("春眠不觉晓"));
    dispatch::RunLoop::runUntil([&] { return list.listTableView() && previews.source().inFlight() == 0; }, 5);
    fontlisttest::settle(list);
    const QImage shot = list.grab().toImage();
    const QPoint corner = editor->blowView()->geometry().topLeft() + QPoint(10, 10);
    EXPECT_EQ(shot.pixelColor(corner), QColor(Qt::white)) << "the body is white in both palettes";
    EXPECT_TRUE(
        fontlisttest::saveScreenshot(list, QString("fontlist-editor-") + (GetParam() ? "day" : "night")));
}

INSTANTIATE_TEST_SUITE_P(Palettes, EditorScreenshot, testing::Values(true, false),
    [](const testing::TestParamInfo<bool>& param) { return param.param ? "Day" : "Night"; });
