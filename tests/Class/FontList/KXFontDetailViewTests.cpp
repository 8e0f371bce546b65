// The detail panel with its images from the local service: the parts and where they sit, images
// sized when they arrive, what a missing or failing part does, the back button, the placing.
#include "Class/FontList/KXFontDetailView.h"
#include "Class/ImageViews/ILViewWebCache.h"
#include "Class/ImageViews/ImageView.h"
#include "Class/ServiceCore/Transport/TransportTestSupport.h"
#include "Class/UIKit/KXBaseButton.h"
#include "Lib/ImageLoading/ILWebDownloader.h"
#include "FontListTestSupport.h"
#include "Platform/Dispatch/RunLoop.h"
#include "Platform/Foundation/Foundation.h"

#include <QLabel>
#include <QPointer>
#include <QScrollArea>
#include <QTest>
#include <gtest/gtest.h>

using foundation::Id;

namespace {

class KXFontDetailViewTest : public transporttest::TransportTest {
protected:
    void SetUp() override
    {
        TransportTest::SetUp();
        host = std::make_unique<QWidget>();
        host->resize(700, 640);
        sibling = new QWidget(host.get());
        host->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(host.get()));
    }
    void TearDown() override
    {
        host.reset();
        TransportTest::TearDown();
    }

    static std::string file(const std::string& path) { return service().baseUrl() + "files/" + path; }
    static Id urls(std::initializer_list<std::string> list)
    {
        auto array = foundation::MutableArray::create();
        for (const auto& url : list)
            array->addObject(Id(url));
        return Id(array);
    }

    KXFontDetailView* show(std::initializer_list<std::pair<Id, Id>> entries)
    {
        auto* panel = new KXFontDetailView;
        panel->setInfoDic(foundation::Dictionary::create(entries));
        panel->showIn(host.get());
        fontlisttest::settle(*host);
        return panel;
    }
    // Frames in the document's coordinates once every image asked for has come in (or failed).
    void settleImages(KXFontDetailView* panel)
    {
        waitFor([&] {
            for (auto* view : panel->documentView()->findChildren<ImageView*>())
                if (il_imageLoadOperationForKey(view, il_latestOperationKey(view)))
                    return false;
            return true;
        });
        fontlisttest::settle(*host);
    }
    static QLabel* label(KXFontDetailView* panel, const QString& text)
    {
        for (auto* found : panel->documentView()->findChildren<QLabel*>())
            if (found->text() == text)
                return found;
        return nullptr;
    }
    static std::vector<ImageView*> imagesOf(KXFontDetailView* panel, const std::string& part)
    {
        std::vector<ImageView*> found;
        for (auto* view : panel->documentView()->findChildren<ImageView*>()) {
            const auto url = il_imageURL(view);
            if (url && url->absoluteString().find(part) != std::string::npos)
                found.push_back(view);
        }
        return found;
    }
    // The ornament under a header: the image view right below it.
    static QRect ornamentUnder(KXFontDetailView* panel, QLabel* header)
    {
        for (auto* view : panel->documentView()->findChildren<ImageView*>())
            if (view->geometry().top() == header->geometry().bottom() + 1 + 2)
                return view->geometry();
        return {};
    }

    std::unique_ptr<QWidget> host;
    QWidget* sibling = nullptr;
};

} // namespace

TEST_F(KXFontDetailViewTest, OnlyANameShowsTheAlwaysPresentParts)
{
    auto* panel = show({ { Id("font_name"), Id("<b>思源宋体</b>") } });
    EXPECT_EQ(panel->geometry(), QRect(700 - 310, 0, 310, 640)) << "310 wide at the host's right";
    auto* name = label(panel, "<b>思源宋体</b>");
    ASSERT_TRUE(name) << "server text shows as it is";
    EXPECT_EQ(name->textFormat(), Qt::PlainText);
    for (const char* header : { "常用标点、西文字符", "字体介绍" })
        EXPECT_TRUE(label(panel, QString::fromUtf8(header))) << header;
    for (const char* absent : { "字体应用", "多字重", "应用案例", "字体标签" })
        EXPECT_FALSE(label(panel, QString::fromUtf8(absent))) << absent;
    for (const char* fact : { "设计师：       (null)", "品   牌：        (null)", "分   类：        (null)",
             "语   言：        (null)", "发行时间：    (null)" })
        EXPECT_TRUE(label(panel, QString::fromUtf8(fact))) << fact;

    // The cover placeholder, 5 from the document's sides and 209 high at 33.
    auto* cover = panel->documentView()->childAt(150, 100);
    auto* coverView = qobject_cast<ImageView*>(cover);
    ASSERT_TRUE(coverView);
    EXPECT_EQ(coverView->geometry().topLeft(), QPoint(5, 33));
    EXPECT_EQ(coverView->geometry().height(), 209);
    const auto document = panel->documentView()->geometry();
    EXPECT_EQ(coverView->geometry().right(), document.width() - 1 - 5);
    EXPECT_EQ(name->geometry().top(), 33 + 209 + 24);

    // The document ends 30 below the last fact.
    auto* last = label(panel, QString::fromUtf8("发行时间：    (null)"));
    EXPECT_EQ(document.height(), last->geometry().bottom() + 1 + 30);
    EXPECT_EQ(last->geometry().left(), 17);
}

TEST_F(KXFontDetailViewTest, SampleImagesAre280WideTouchingTheFirst50BelowTheName)
{
    const std::string cover = file("covers/cover_1.png"); // 560 x 300
    auto* panel = show({ { Id("font_name"), Id("Sample") },
        { Id("intro_img"),
            urls({ cover + "?intro=1", file("none/intro-missing.png"), cover + "?intro=2",
                cover + "?intro=3" }) } });
    settleImages(panel);
    const auto images = imagesOf(panel, "intro");
    ASSERT_EQ(images.size(), 4u);
    auto* name = label(panel, "Sample");
    std::vector<QRect> shown;
    for (auto* view : images)
        if (view->height() > 0)
            shown.push_back(view->geometry());
    ASSERT_EQ(shown.size(), 3u) << "the missing image takes no room";
    EXPECT_EQ(shown[0].top(), name->geometry().bottom() + 1 + 50);
    for (const auto& rect : shown) {
        EXPECT_EQ(rect.width(), 280);
        EXPECT_EQ(rect.height(), 150);
    }
    EXPECT_EQ(shown[1].top(), shown[0].bottom() + 1) << "they touch";
    EXPECT_EQ(shown[2].top(), shown[1].bottom() + 1);
    auto* header = label(panel, QString::fromUtf8("常用标点、西文字符"));
    EXPECT_EQ(header->geometry().top(), shown[2].bottom() + 1 + 50);
}

TEST_F(KXFontDetailViewTest, WeightRowsAre20ApartTheFirst50BelowTheOrnament)
{
    auto weight = [&](const char* name, const char* text) {
        return Id(foundation::Dictionary::create(
            { { Id("name"), Id(name) }, { Id("image"), Id(file("covers/cover_2.png?") + text) } }));
    };
    auto* panel = show({ { Id("font_name"), Id("Family") },
        { Id("font_list"), Id(foundation::Array::create({ weight("Light", "l"), weight("Bold", "b") })) },
        { Id("tags"), Id("宋体, 正文") }, { Id("describe"), Id("一段介绍。\n第二行。") },
        { Id("designer"), Id("Ann") } });
    settleImages(panel);
    auto* header = label(panel, QString::fromUtf8("多字重"));
    ASSERT_TRUE(header);
    const QRect ornament = ornamentUnder(panel, header);
    ASSERT_FALSE(ornament.isNull());
    auto* light = label(panel, "Light");
    auto* bold = label(panel, "Bold");
    ASSERT_TRUE(light && bold);
    EXPECT_EQ(light->geometry().top(), ornament.bottom() + 1 + 50);
    EXPECT_EQ(light->geometry().left(), 36);
    EXPECT_EQ(light->geometry().width(), 80);
    const auto samples = imagesOf(panel, "cover_2");
    ASSERT_EQ(samples.size(), 2u);
    EXPECT_EQ(samples[0]->geometry(), QRect(36 + 80 + 10, light->geometry().center().y() - 9, 200, 20));
    EXPECT_EQ(samples[0]->imageAlignment(), ImageAlignment::Left);
    EXPECT_EQ(bold->geometry().top(), samples[0]->geometry().bottom() + 1 + 20);

    EXPECT_TRUE(label(panel, QString::fromUtf8("宋体, 正文")));
    EXPECT_TRUE(label(panel, QString::fromUtf8("设计师：       Ann")));
}

TEST_F(KXFontDetailViewTest, ADetailOfThousandsOfWeightsAndImagesShowsItsFirstFifty)
{
    constexpr int kSent = 10000;
    auto weights = foundation::MutableArray::create();
    auto images = foundation::MutableArray::create();
    for (int i = 0; i < kSent; ++i) {
        weights->addObject(Id(foundation::Dictionary::create(
            { { Id("name"), Id("W" + std::to_string(i)) }, { Id("image"), Id("") } })));
        images->addObject(Id(""));
    }
    auto* panel = show({ { Id("font_name"), Id("Family") }, { Id("font_list"), Id(weights) },
        { Id("intro_img"), Id(images) }, { Id("ft_apply"), Id(images) } });
    constexpr int kShown = KXFontDetailView::kMaxEntries;
    EXPECT_TRUE(label(panel, QString("W%1").arg(kShown - 1)));
    EXPECT_FALSE(label(panel, QString("W%1").arg(kShown))) << "the weights past the bound have no row";
    EXPECT_LT(panel->findChildren<QWidget*>().size(), 6 * kShown + 100);
}

TEST_F(KXFontDetailViewTest, TheBackButtonRemovesOnlyThePanelAndLateImagesChangeNothing)
{
    localservice::Fault hang;
    hang.kind = localservice::Fault::Kind::NoReply;
    service().faults().set("covers/", hang);
    QPointer<KXFontDetailView> panel
        = show({ { Id("font_name"), Id("Late") }, { Id("cover_img"), Id(file("covers/cover_3.png")) } });
    waitFor([] { return service().faults().hangingCount() > 0; });
    auto* back = panel->findChild<KXBaseButton*>();
    ASSERT_TRUE(back);
    QTest::mouseClick(back, Qt::LeftButton);
    EXPECT_FALSE(panel && panel->parentWidget()) << "the panel left";
    EXPECT_EQ(sibling->parentWidget(), host.get()) << "and nothing else did";
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(panel) << "deleted on a later turn";
    service().faults().clearAll();
    ASSERT_TRUE(waitFor([] {
        return service().faults().hangingCount() == 0 && ILWebDownloader::sharedDownloader()->currentDownloadCount() == 0;
    }));
    dispatch::RunLoop::drain();
    EXPECT_EQ(host->findChildren<KXFontDetailView*>().size(), 0);
}

TEST_F(KXFontDetailViewTest, EscapeIsTheBackButtonWhereverTheKeysAreInThePanel)
{
    QPointer<KXFontDetailView> panel = show({ { Id("font_name"), Id("Keys") } });
    panel->scrollView()->setFocus();
    QTest::keyClick(panel->scrollView(), Qt::Key_Escape);
    EXPECT_FALSE(panel && panel->parentWidget()) << "the panel left";
    EXPECT_EQ(sibling->parentWidget(), host.get()) << "and nothing else did";
}

TEST_F(KXFontDetailViewTest, RepliesAreReadUpToFiftyEntries)
{
    auto many = foundation::MutableArray::create();
    for (int n = 0; n < 60; ++n)
        many->addObject(Id(file("none/many-" + std::to_string(n) + ".png")));
    auto* panel = show({ { Id("intro_img"), Id(many) }, { Id("ft_apply"), Id(many) } });
    EXPECT_EQ(imagesOf(panel, "many-").size(), 100u) << "50 samples and 50 application images";
    EXPECT_TRUE(label(panel, QString::fromUtf8("字体应用")));
}

TEST_F(KXFontDetailViewTest, TheTitleClickRoadShowsThePanelOnlyForASuccessfulReply)
{
    KXFontDetailView* shown = nullptr;
    KXFontDetailView::requestAndShow(host.get(), 1001, [&](KXFontDetailView* panel) { shown = panel; });
    ASSERT_TRUE(waitFor([&] { return shown != nullptr; }));
    EXPECT_EQ(shown->parentWidget(), host.get());
    EXPECT_EQ(*onlyRequest().param("fontid"), "1001");
    EXPECT_EQ(shown->infoDic()->objectForKey(Id("fontid")).integerValue(), 1001);

    service().requestLog().clear();
    setFault("getInfo", localservice::Fault::Kind::ErrorCode, 1, "字体不存在");
    bool called = false;
    KXFontDetailView::requestAndShow(host.get(), 1001, [&](KXFontDetailView*) { called = true; });
    ASSERT_TRUE(waitFor([] { return service().requestLog().size() == 1; }));
    ASSERT_TRUE(waitForQuietTraffic());
    EXPECT_FALSE(called);
    EXPECT_EQ(host->findChildren<KXFontDetailView*>().size(), 1u);
}
