#include "Class/AppShell/KXHomeAlertView.h"
#include "Class/AppShell/KXQuitView.h"

#include "Class/ImageViews/ILViewWebCache.h"
#include "Class/ImageViews/ImageView.h"
#include "Class/UIKit/KXBaseButton.h"
#include "Lib/ImageLoading/ILImageCache.h"
#include "Platform/Dispatch/RunLoop.h"
#include "Platform/Storage/UserDefaults.h"
#include "ShellServiceTest.h"

#include <QApplication>
#include <QPointer>
#include <QTest>

using foundation::Id;

namespace {

class KXHomeAlertViewTest : public shelltest::ShellServiceTest {
protected:
    void SetUp() override
    {
        ShellServiceTest::SetUp();
        window_.resize(400, 680);
        window_.show();
    }

    QWidget window_;
};

} // namespace

TEST_F(KXHomeAlertViewTest, ShowsTheQuestionnairePictureAndClosesItself)
{
    // Asked of the service, not of a memory an earlier test filled.
    ILImageCache::sharedImageCache()->clearMemory();
    bool cleared = false;
    ILImageCache::sharedImageCache()->clearDiskOnCompletion([&cleared] { cleared = true; });
    ASSERT_TRUE(waitFor([&] { return cleared; }));
    foundation::UserDefaults::standardUserDefaults().setObject(Id(service().baseUrl() + "files/images/questionnaire.png"),
                                                                "questionnaire");
    QPointer<KXHomeAlertView> alert = new KXHomeAlertView(&window_);
    alert->setGeometry(window_.rect());
    alert->show();
    ASSERT_TRUE(waitFor([&] { return alert->bgImgView()->image() != nullptr; }));
    EXPECT_EQ(service().requestLog().fileEntries().size(), 1u);
    alert->cancelBtn()->click();
    EXPECT_FALSE(alert && alert->parentWidget());
}

TEST_F(KXHomeAlertViewTest, NoQuestionnaireShowsNoPicture)
{
    foundation::UserDefaults::standardUserDefaults().setObject(Id(""), "questionnaire");
    KXHomeAlertView alert(&window_);
    dispatch::RunLoop::drain();
    EXPECT_FALSE(il_imageLoadOperationForKey(alert.bgImgView(), il_latestOperationKey(alert.bgImgView())))
        << "no picture is on its way";
    EXPECT_EQ(alert.bgImgView()->image(), nullptr);
    EXPECT_TRUE(service().requestLog().fileEntries().empty());
}

TEST_F(KXHomeAlertViewTest, OnAShortWindowTheCloseButtonStaysInside)
{
    foundation::UserDefaults::standardUserDefaults().setObject(Id(""), "questionnaire");
    // The main window's height at 2.0 on a 1366 x 768 screen.
    window_.resize(400, 370);
    QPointer<KXHomeAlertView> alert = new KXHomeAlertView(&window_);
    alert->setGeometry(window_.rect());
    alert->show();
    QApplication::processEvents();
    EXPECT_TRUE(alert->rect().contains(alert->cancelBtn()->geometry()));
    EXPECT_FALSE(alert->bgImgView()->geometry().intersects(alert->cancelBtn()->geometry()));
    EXPECT_EQ(alert->childAt(alert->cancelBtn()->geometry().center()), alert->cancelBtn());
    // At full height the picture keeps its size.
    window_.resize(400, 680);
    alert->setGeometry(window_.rect());
    EXPECT_EQ(alert->bgImgView()->size(), QSize(KXHomeAlertView::kImageWidth, KXHomeAlertView::kImageHeight));
    EXPECT_EQ(alert->bgImgView()->geometry().center().y(), 680 / 2 - 1);
    delete alert.data();
}

TEST_F(KXHomeAlertViewTest, EscapeClosesTheQuestionnaireAndTheSignOutConfirmation)
{
    window_.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window_));
    QPointer<KXHomeAlertView> alert = new KXHomeAlertView(&window_);
    alert->setGeometry(window_.rect());
    alert->show();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    EXPECT_FALSE(alert && alert->parentWidget()) << "the questionnaire's close button";

    // The confirmation lies on the personal centre: Escape is 取消 and takes only itself away.
    auto* centre = new QWidget(&window_);
    centre->setGeometry(window_.rect());
    centre->show();
    QPointer<KXQuitView> quit = new KXQuitView(centre);
    quit->setGeometry(centre->rect());
    quit->show();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    EXPECT_FALSE(quit && quit->parentWidget());
    EXPECT_EQ(centre->parentWidget(), &window_);
}
