// The small account pages: the VIP privileges text, the QQ group's code with its placeholder,
// the buttons that close them; the pages' labels keep their colour in a table cell.
#include "AccountTestSupport.h"

#include "Class/Account/KXAccountViews.h"
#include "Class/Account/KXDiversionGroupView.h"
#include "Class/Account/KXPersonalFeedBack.h"
#include "Class/Account/KXPersonalStubPage.h"
#include "Class/Account/KXVipAlertView.h"
#include "Class/ImageViews/ImageView.h"
#include "Class/ServiceCore/Catalogue/KXUserCenterConfig.h"
#include "Class/UIKit/KXBaseButton.h"
#include "Class/UIKit/KXImage.h"
#include "Platform/Graphics/Image.h"
#include "Support/TableCellPixels.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QTest>

using foundation::Id;

namespace {

class KXAccountPagesTest : public accounttest::AccountServiceTest {
protected:
    void SetUp() override
    {
        AccountServiceTest::SetUp();
        host_.resize(600, 500);
        host_.show();
    }

    template <class Page>
    Page* lay()
    {
        auto* page = new Page(&host_);
        page->setGeometry(host_.rect());
        page->show();
        settle();
        return page;
    }

    static QImage shown(ImageView* view) { return view->currentFrameImage(); }

    QWidget host_;
};

} // namespace

TEST_F(KXAccountPagesTest, TheVipTextShowsTheRuleOfTheUsersVipType)
{
    KXUserCenterConfig::sharedKXUserCenterConfig().setVipinfo(foundation::MutableDictionary::create(
        {{Id("content"), Id(R"(免费商用字体 120 款\r\n\r\n新字体抢先用)")}, {Id("rule"), Id("1001,1002")}}));
    auto* vip = lay<KXVipAlertView>();
    EXPECT_EQ(vip->textInfoView()->toPlainText(), QStringLiteral("免费商用字体 120 款\n\n新字体抢先用"));
    vip->cancelBtn()->click();
    EXPECT_EQ(vip->parentWidget(), nullptr);

    KXUserCenterConfig::sharedKXUserCenterConfig().setVipinfo(nullptr);
    auto* none = lay<KXVipAlertView>();
    EXPECT_TRUE(none->textInfoView()->toPlainText().isEmpty());
    QTest::keyClick(none, Qt::Key_Escape);
    EXPECT_EQ(none->parentWidget(), nullptr) << "Escape is 知道了";
}

TEST_F(KXAccountPagesTest, WithoutAGroupAddressThePlaceholderStays)
{
    auto* feedback = lay<KXPersonalFeedBack>();
    ASSERT_TRUE(waitFor([&] { return !shown(feedback->QQERCodeImgView()).isNull(); }));
    EXPECT_EQ(shown(feedback->QQERCodeImgView()).size(), KXImage::imageNamed("feedBackByQQ").image().size());
    auto* dialog = lay<KXDiversionGroupView>();
    ASSERT_TRUE(waitFor([&] { return !shown(dialog->QQERCodeImgView()).isNull(); }));
    EXPECT_EQ(shown(dialog->QQERCodeImgView()).size(), KXImage::imageNamed("feedBackByQQ").image().size());
}

TEST_F(KXAccountPagesTest, TheGroupsCodeReplacesThePlaceholder)
{
    setDefault("qq_group", Id(service().baseUrl() + "files/qr/0a1b2c3d.png"));
    auto* feedback = lay<KXPersonalFeedBack>();
    const QSize placeholder = KXImage::imageNamed("feedBackByQQ").image().size();
    ASSERT_TRUE(waitFor([&] {
        const QImage image = shown(feedback->QQERCodeImgView());
        return !image.isNull() && image.size() != placeholder;
    }));
    feedback->backButton()->click();
    EXPECT_EQ(feedback->parentWidget(), nullptr);
}

TEST_F(KXAccountPagesTest, BothButtonsCloseTheInvitationAndTheStubsGoBack)
{
    auto* first = lay<KXDiversionGroupView>();
    first->sureBtn()->click();
    EXPECT_EQ(first->parentWidget(), nullptr);
    auto* second = lay<KXDiversionGroupView>();
    second->cancelButton()->click();
    EXPECT_EQ(second->parentWidget(), nullptr);
    auto* third = lay<KXDiversionGroupView>();
    QTest::keyClick(third, Qt::Key_Escape);
    EXPECT_EQ(third->parentWidget(), nullptr) << "Escape is its close button";

    auto* settings = lay<KXPersonalSettingView>();
    auto* password = lay<KXPersonalChangePwd>();
    auto* help = lay<KXPersonalHelpCenter>();
    EXPECT_EQ(help->backButton(), nullptr) << "the help centre has no way back";
    password->saveBtnClick();
    settings->saveClick();
    EXPECT_NE(password->parentWidget(), nullptr) << "saving does nothing";
    password->backButton()->click();
    settings->backButton()->click();
    EXPECT_EQ(password->parentWidget(), nullptr);
    EXPECT_EQ(settings->parentWidget(), nullptr);
}

TEST(KXAccountViews, ALabelInATableCellDrawsItsOwnColour)
{
    std::unique_ptr<QTableWidget> table;
    const QImage picture = tablecellpixels::drawnInCell(kxaccount::makeLabel(nullptr, QStringLiteral("HHH"), 48, kxaccount::kAccent, true), table);
    EXPECT_GT(tablecellpixels::pixelsOf(picture, kxaccount::kAccent), 50);
    EXPECT_EQ(tablecellpixels::pixelsOf(picture, table->palette().color(QPalette::Text)), 0);
}
