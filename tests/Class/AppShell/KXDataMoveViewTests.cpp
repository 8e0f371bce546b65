#include "Class/AppShell/KXDataMoveView.h"

#include "Class/AppShell/KXMigration.h"
#include "Class/FontList/Core/KXDownloadedFontMap.h"
#include "Class/ServiceCore/Transport/KXGlobalDataBase.h"
#include "Lib/LayoutConstraints/LCConstraint.h"
#include "Platform/Crypto/Base64.h"
#include "Platform/Dispatch/NotificationCenter.h"
#include "ScreenshotSupport.h"
#include "Support/TempHome.h"
#include "ShellServiceTest.h"

#include <QApplication>
#include <QImage>

#include <fstream>
#include <memory>

namespace fs = std::filesystem;
using foundation::Id;

namespace {

class KXDataMoveViewTest : public shelltest::ShellServiceTest {
protected:
    void SetUp() override
    {
        ShellServiceTest::SetUp();
        const fs::path root = testsupport::makeScratchDir("move-view");
        map_ = std::make_unique<KXDownloadedFontMap>(root / "KXFonts/fontsPlist.plist");
        sources_ = {root / "UsrMsg.json", root / "used", root / "fonts", map_.get()};
        fs::create_directories(sources_.usedFonts);
        fs::copy_file("/usr/share/fonts/truetype/dejavu/DejaVuSerif.ttf", sources_.usedFonts / "DejaVuSerif.ttf");
        window_.resize(400, 680);
        window_.show();
    }

    void writeAccount(const std::string& json) const
    {
        std::ofstream(sources_.accountFile) << crypto::base64Encode(std::string_view(json));
    }

    std::unique_ptr<KXDownloadedFontMap> map_;
    KXMigration::Sources sources_;
    QWidget window_;
};

} // namespace

TEST_F(KXDataMoveViewTest, MigratesSignsInAndCloses)
{
    writeAccount(R"({"user": "demo", "pass": "demo1234"})");
    int signIns = 0;
    auto observation = dispatch::NotificationCenter::defaultCenter().addObserver(
        KXMigration::kSignInNotification, Id(), nullptr, [&signIns](const dispatch::Notification& n) {
            if (n.userInfo && n.userInfo->containsKey("loginMessage"))
                ++signIns;
        });
    QPointer<KXDataMoveView> view = new KXDataMoveView(&window_, KXMigration::create(sources_));
    view->setGeometry(window_.rect());
    view->show();
    view->setUPMover();
    ASSERT_TRUE(waitFor([&] { return !view || view->isFinished(); }));
    EXPECT_EQ(KXGlobalDataBase::sharedKXGlobalDataBase().currentModule()->utf8(), "数据迁移错误");
    EXPECT_TRUE(!view || view->parentWidget() == nullptr) << "the overlay left the window";
    EXPECT_EQ(signIns, 1);
    EXPECT_TRUE(fs::exists(sources_.fontsFolder / "DejaVuSerif.ttf"));
}

TEST_F(KXDataMoveViewTest, NothingToMigrateClosesAtOnce)
{
    writeAccount(R"({"user": "", "pass": "x"})");
    QPointer<KXDataMoveView> view = new KXDataMoveView(&window_, KXMigration::create(sources_));
    view->setUPMover();
    EXPECT_TRUE(view->isFinished());
    EXPECT_EQ(view->parentWidget(), nullptr);
    EXPECT_FALSE(fs::exists(sources_.fontsFolder / "DejaVuSerif.ttf"));
    EXPECT_EQ(service().requestLog().size(), 0u);
}

TEST_F(KXDataMoveViewTest, Screenshot)
{
    window_.setAutoFillBackground(true);
    QPalette palette = window_.palette();
    palette.setColor(QPalette::Window, QColor(247, 247, 247));
    window_.setPalette(palette);
    auto* view = new KXDataMoveView(&window_, KXMigration::create(sources_));
    view->setGeometry(window_.rect());
    view->show();
    view->progressWidth()->setOffset(132);
    const QImage picture(shelltest::saveScreenshot(&window_, "migration"));
    // The fill reaches 132 of the track's 220 points; the track goes on in its own grey.
    const double scale = picture.devicePixelRatio();
    const int trackLeft = (400 - 220) / 2;
    const int y = static_cast<int>((680 / 2 - 70 + 84 + 5) * scale);
    const QColor filled = picture.pixelColor(static_cast<int>((trackLeft + 100) * scale), y);
    const QColor empty = picture.pixelColor(static_cast<int>((trackLeft + 180) * scale), y);
    EXPECT_GT(filled.red(), 240);
    EXPECT_LT(filled.blue(), 60);
    EXPECT_EQ(empty, QColor(243, 243, 243));
}
