// The update prompt and the About page's check against the local service.
#include "AccountTestSupport.h"

#include "Class/ServiceCore/Transport/KXGlobalDataBase.h"
#include "Class/UIKit/KXBaseButton.h"
#include "Class/Update/KXPersonalAboutUS.h"
#include "Class/Update/KXUPDateAPPView.h"
#include "Platform/Dispatch/NotificationCenter.h"

#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTest>

using foundation::Id;

namespace {

class KXUpdatePromptTest : public accounttest::AccountServiceTest {
protected:
    void SetUp() override
    {
        AccountServiceTest::SetUp();
        window_.resize(800, 600);
        content_ = new QWidget(&window_);
        content_->setGeometry(window_.rect());
        window_.show();
        KXGlobalDataBase::sharedKXGlobalDataBase().setDownLoadUrl(nullptr);
    }

    KXPersonalAboutUS* about()
    {
        auto* page = new KXPersonalAboutUS(content_);
        page->setGeometry(0, 0, 310, 600);
        page->show();
        return page;
    }

    std::vector<KXUPDateAPPView*> prompts() const
    {
        std::vector<KXUPDateAPPView*> found;
        for (QObject* child : content_->children())
            if (auto* prompt = qobject_cast<KXUPDateAPPView*>(child); prompt && prompt->parentWidget())
                found.push_back(prompt);
        return found;
    }

    QWidget window_;
    QWidget* content_ = nullptr;
};

} // namespace

TEST_F(KXUpdatePromptTest, VersionFirstThenNotesAndTheButtons)
{
    auto* prompt = new KXUPDateAPPView(content_);
    prompt->setVersion(QStringLiteral("2.1.1_beta"));
    EXPECT_TRUE(prompt->versionLabel()->text().isEmpty()) << "setVersion only stores";
    prompt->setContent(QStringLiteral("新功能\n修复若干问题"));
    EXPECT_EQ(prompt->versionLabel()->text(), QStringLiteral("2.1.1_beta"));
    EXPECT_EQ(prompt->textInfoView()->toPlainText(), QStringLiteral("新功能\n修复若干问题"));
    EXPECT_EQ(prompt->versionLabel()->textFormat(), Qt::PlainText);

    int posted = 0;
    auto observation = dispatch::NotificationCenter::defaultCenter().addObserver(
        "updateappnoti", {}, nullptr, [&](const dispatch::Notification& n) {
            EXPECT_TRUE(n.object.isNil());
            EXPECT_EQ(n.userInfo, nullptr);
            ++posted;
        });
    prompt->updateButton()->click();
    EXPECT_EQ(posted, 1);
    EXPECT_EQ(prompt->parentWidget(), nullptr);

    for (int i = 0; i < 2; ++i) {
        auto* again = new KXUPDateAPPView(content_);
        (i == 0 ? again->laterButton() : again->closeButton())->click();
        EXPECT_EQ(again->parentWidget(), nullptr);
    }
    EXPECT_EQ(posted, 1) << "close and remind-me-later only close";
}

// Notes of megabytes from the service are cut to what a reader reads before the view lays them out.
TEST_F(KXUpdatePromptTest, LongNotesAreCutAtACharacterWithinTheirBound)
{
    auto* prompt = new KXUPDateAPPView(content_);
    const QString line = QStringLiteral("修复了一个问题 fixed 𝄞\n");
    QString notes;
    while (notes.size() < 3 * 1024 * 1024)
        notes += line;
    prompt->setContent(notes);
    const QByteArray kept = prompt->content().toUtf8();
    EXPECT_LE(kept.size(), KXUPDateAPPView::kReleaseNotesBytes);
    EXPECT_GT(kept.size(), KXUPDateAPPView::kReleaseNotesBytes - 8) << "as much as the bound holds";
    EXPECT_TRUE(prompt->content().endsWith(QStringLiteral("…")));
    EXPECT_TRUE(notes.startsWith(prompt->content().chopped(1)))
        << "a cut at a character, the pair of 𝄞 kept whole";
    EXPECT_EQ(prompt->textInfoView()->toPlainText(), prompt->content());

    prompt->setContent(line);
    EXPECT_EQ(prompt->content(), line) << "short notes are kept as they are";
}

TEST_F(KXUpdatePromptTest, TheAboutPageSaysUpToDateOrOffersOnePromptAtATime)
{
    setDefault("appVersion", Id("2.1.0_beta"));
    service().setVersionInfo("2.1.0", "notes", "");
    auto* page = about();
    page->checkUpdateBtn()->click();
    ASSERT_TRUE(waitFor([&] { return toastText() == QStringLiteral("已是最新版本"); }));
    EXPECT_TRUE(prompts().empty()) << "equal once the beta mark is gone";

    service().setVersionInfo("2.1.0.1", "第一行\n第二行", "");
    page->checkUpdateBtn()->click();
    ASSERT_TRUE(waitFor([&] { return prompts().size() == 1; }));
    KXUPDateAPPView* prompt = prompts().front();
    EXPECT_EQ(prompt->version(), QStringLiteral("2.1.0.1"));
    EXPECT_EQ(prompt->content(), QStringLiteral("第一行\n第二行"));
    settle();
    EXPECT_EQ(prompt->geometry(), content_->rect()) << "over the window's content, filling it";
    const std::string stored = KXGlobalDataBase::sharedKXGlobalDataBase().downLoadUrl()->utf8();
    EXPECT_EQ(stored.substr(stored.rfind('/') + 1), "corvane-fonts_9.9.0_amd64.deb");

    const auto asked = service().requestLog().withTag("121").size();
    page->checkUpdateBtn()->click();
    ASSERT_TRUE(waitFor([&] { return service().requestLog().withTag("121").size() == asked + 1; }));
    settle();
    ASSERT_TRUE(waitFor([&] { return prompts().size() == 1; }));
    EXPECT_EQ(prompts().front(), prompt) << "a repeated check keeps one prompt";
}

TEST_F(KXUpdatePromptTest, ARefusedReplyShowsNothing)
{
    setDefault("appVersion", Id("2.1.0"));
    setFault("version", localservice::Fault::Kind::ErrorCode, 1, "维护中");
    auto* page = about();
    page->checkUpdateBtn()->click();
    ASSERT_TRUE(waitFor([&] { return !toasts_->shown.empty(); })) << "the transport shows the server's message";
    settle();
    EXPECT_NE(toastText(), QStringLiteral("已是最新版本"));
    EXPECT_TRUE(prompts().empty());
    page->backButton()->click();
    EXPECT_EQ(page->parentWidget(), nullptr);
}

TEST_F(KXUpdatePromptTest, ThePromptHoldsTheKeysWhileItShowsAndEscapeClosesIt)
{
    // A long list behind the prompt, which has the keys as the font list has them.
    auto* list = new QListWidget(content_);
    list->setGeometry(content_->rect());
    for (int row = 0; row < 200; ++row)
        list->addItem(QString::number(row));
    list->show();
    window_.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window_));
    list->setFocus();
    list->setCurrentRow(0);

    QPointer<KXUPDateAPPView> prompt = KXUPDateAPPView::showOn(content_, QStringLiteral("2.1.1"), QStringLiteral("新功能"), QString());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_PageDown);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
    EXPECT_EQ(list->currentRow(), 0) << "PageDown and the arrows reach nothing behind the prompt";
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    EXPECT_TRUE(prompt.isNull() || prompt->parentWidget() == nullptr) << "Escape is the close button";
    EXPECT_EQ(QApplication::focusWidget(), list) << "the list has the keys back";
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_PageDown);
    EXPECT_GT(list->currentRow(), 0);
}
