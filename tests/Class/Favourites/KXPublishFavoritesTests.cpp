// Publishing: the form over the user's folders (items, choice, checks; it sends nothing), the form
// of a user without folders, the published-folders list and the personal centre's card with their
// review states, the pages the personal centre opens, and a review's outcome on the list.
#include "Class/Account/KXPersonalCenterPages.h"
#include "Class/Favourites/Core/KXFolderStateIcon.h"
#include "Class/Favourites/FavouritesRegistration.h"
#include "Class/Favourites/KXFavouritesStyle.h"
#include "Class/Favourites/KXFontManagerView.h"
#include "Class/Favourites/KXHomeRecomDetailView.h"
#include "Class/Favourites/KXMyfocusSetView.h"
#include "Class/Favourites/KXPersonalCenterCollectionCell.h"
#include "Class/Favourites/KXPersonalPublish.h"
#include "Class/Favourites/KXPublishFavoriteItem.h"
#include "Class/Favourites/KXPublishFavoritesViewController.h"
#include "Class/Favourites/KXPublishFavoritesWindowsController.h"
#include "Class/Favourites/KXPublishNoCollectionView.h"
#include "Class/Favourites/KXRecordList.h"
#include "Class/FontList/KXFontListModel.h"
#include "Class/FontList/KXPreviewLoads.h"
#include "Class/ImageViews/ImageView.h"
#include "Class/UIKit/KXBaseButton.h"
#include "FavouritesTestSupport.h"
#include "Platform/Foundation/Foundation.h"
#include "Platform/Storage/UserDefaults.h"

#include <QComboBox>
#include <QEventLoop>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPlainTextEdit>
#include <QScrollArea>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QTemporaryDir>
#include <QTest>

using foundation::Id;

namespace {

class KXPublishFavoritesTest : public favouritestest::FavouritesTest {
protected:
    KXPublishFavoritesViewController* openForm()
    {
        auto* form = new KXPublishFavoritesViewController;
        form->resize(
            KXPublishFavoritesWindowsController::kWidth, KXPublishFavoritesWindowsController::kHeight);
        favouritesstyle::pinOnTop(form, &host());
        EXPECT_TRUE(waitUntil([form] {
            return requests("137") >= 1 && form->groups()->count() + form->numberOfItems() > 0;
        }) || form->noCollectionView()->isVisible());
        settle(host());
        return form;
    }
    static Id folder(const Id& isPublish, const Id& isEncrypt, const char* reason = "", int fonts = 2)
    {
        auto list = foundation::MutableArray::create();
        for (int i = 0; i < fonts; ++i)
            list->addObject(Id(100 + i));
        return Id(foundation::Dictionary::create({ { Id("id"), Id(9) }, { Id("collect_name"), Id("合集") },
            { Id("is_publish"), isPublish }, { Id("is_encrypt"), isEncrypt }, { Id("reason"), Id(reason) },
            { Id("visits"), Id(12) }, { Id("fonts"), Id(list) } }));
    }
    // A review's outcome, as the service's reviewers give it.
    static bool review(long long id, int state)
    {
        QNetworkAccessManager network;
        QNetworkRequest request(QUrl(QString::fromStdString(service().baseUrl() + "__admin/review")));
        QSslConfiguration ssl = QSslConfiguration::defaultConfiguration();
        ssl.setCaCertificates(
            QSslCertificate::fromPath(QString::fromStdString(service().caCertificatePath().string())));
        request.setSslConfiguration(ssl);
        request.setHeader(
            QNetworkRequest::ContentTypeHeader, QStringLiteral("application/x-www-form-urlencoded"));
        QNetworkReply* reply = network.post(
            request, QByteArray("id=") + QByteArray::number(id) + "&state=" + QByteArray::number(state));
        waitUntil([reply] { return reply->isFinished(); });
        const bool ok = reply->error() == QNetworkReply::NoError;
        delete reply;
        return ok;
    }
};

} // namespace

TEST_F(KXPublishFavoritesTest, TheStateIconsOfTheRowsAndTheCard)
{
    struct Case {
        Id isPublish, isEncrypt;
        const char* icon;
    };
    const Case cases[] = { { Id(2), Id(1), KXFolderStateIcon::kHalfPublished },
        { Id(3), Id(1), KXFolderStateIcon::kRefused }, { Id(0), Id(1), KXFolderStateIcon::kWait },
        { Id(5), Id(0), KXFolderStateIcon::kRefused }, { Id(5), Id(1), KXFolderStateIcon::kHalfPublished },
        { Id("2"), Id("0"), KXFolderStateIcon::kPublished } };
    KXPersonalCenterCollectionCell card;
    card.resize(300, KXPersonalCenterCollectionCell::kRowHeight);
    for (const auto& c : cases) {
        card.setData(folder(c.isPublish, c.isEncrypt, "封面图片不清晰"));
        EXPECT_EQ(card.leftStateImageName(), c.icon)
            << c.isPublish.stringValue() << "/" << c.isEncrypt.stringValue();
        EXPECT_EQ(card.rejectView()->isHidden(), c.isPublish.integerValue() != 3);
    }
}

TEST_F(KXPublishFavoritesTest, TheCardShowsTheCountAndWrapsALongReason)
{
    KXPersonalCenterCollectionCell card;
    favouritesstyle::pinOnTop(&card, &host());
    card.setData(folder(Id(0), Id(0), "", 0));
    EXPECT_EQ(card.fontCountLabel()->text(), QStringLiteral("共0款"));
    EXPECT_EQ(card.watchButton()->title(), QStringLiteral("12"));
    card.setData(folder(Id(3), Id(0), "理由"));
    settle(host());
    const int oneLine = card.rejectView()->height();
    card.setData(folder(Id(3), Id(0),
        "封面图片不清晰，名称与内容不符，简介含有联系方式，请修改后重新提交审核。封面图片不清晰，名称与内容不"
        "符。"));
    settle(host());
    const int lineHeight = card.rejectLabel()->fontMetrics().lineSpacing();
    EXPECT_GE(card.rejectView()->height(), oneLine + lineHeight) << "as many lines as the reason needs";
    EXPECT_GE(card.rejectLabel()->height(), 2 * lineHeight);
    EXPECT_EQ(card.rejectLabel()->text().left(7), QStringLiteral("封面图片不清晰"));
    card.setParent(nullptr);
}

TEST_F(KXPublishFavoritesTest, TheFormListsTheFoldersInOneScrollingRow)
{
    auto* form = openForm();
    const auto folders = serverFolders();
    ASSERT_EQ(form->numberOfItems(), static_cast<int>(folders->count()));
    for (int i = 0; i < form->numberOfItems(); ++i) {
        EXPECT_EQ(form->itemAt(i)->titleLabel()->text().toStdString(),
            folders->objectAtIndex(i)["collect_name"].stringValue());
        EXPECT_EQ(form->itemAt(i)->y(), 0) << "a single row";
        EXPECT_EQ(form->itemAt(i)->x(), i * (KXPublishFavoriteItem::kWidth + 20));
        EXPECT_EQ(form->itemAt(i)->size(), QSize(160, 212));
    }
    EXPECT_FALSE(form->leftScrollBtn()->isEnabled());
    EXPECT_TRUE(form->rightScrollBtn()->isEnabled()) << "four items do not fit";
    form->rightScrollBtn()->click();
    EXPECT_TRUE(form->leftScrollBtn()->isEnabled());
    EXPECT_FALSE(form->noCollectionView()->isVisible());

    EXPECT_TRUE(form->chosenFolder().isNil());
    QTest::mouseClick(form->itemAt(1), Qt::LeftButton);
    form->itemAt(2)->slectedBtn()->click();
    EXPECT_FALSE(form->itemAt(1)->isChosen()) << "one folder at a time";
    EXPECT_EQ(form->chosenFolder()["id"].stringValue(), folders->objectAtIndex(2)["id"].stringValue());
}

TEST_F(KXPublishFavoritesTest, TheFormChecksItsInputsAndSendsNothing)
{
    auto* form = openForm();
    QTemporaryDir dir;
    const QString png = dir.filePath("cover.png");
    QImage(40, 30, QImage::Format_RGB32).save(png, "PNG");
    const QString fake = dir.filePath("cover.jpg");
    QFile text(fake);
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("not an image");
    text.close();

    form->publishBtn()->click();
    EXPECT_FALSE(form->lastCheck().ready());
    EXPECT_FALSE(form->titleWarningImg()->isHidden());
    EXPECT_EQ(form->titleWarningImg()->toolTip(), QStringLiteral("请输入分组名称"));
    EXPECT_TRUE(form->pwdWarningImg()->isHidden()) << "public: no password needed";
    EXPECT_FALSE(form->coverWarningImg()->isHidden());
    EXPECT_EQ(toastTexts(), std::vector<std::string> { "请选择要公开的收藏夹" });

    form->chooseCover(fake);
    EXPECT_TRUE(form->coverPath().isEmpty());
    EXPECT_FALSE(form->coverWarningImg()->isHidden());
    form->itemAt(0)->slectedBtn()->click();
    form->collectionTitleLabel()->setText(QString(29, QChar(u'字')));
    form->authBtn()->setCurrentIndex(1);
    form->topicBtn()->setCurrentIndex(2);
    form->summaryTextView()->setPlainText(QStringLiteral("简介"));
    form->chooseCover(png);
    form->publishBtn()->click();
    EXPECT_FALSE(form->lastCheck().ready());
    EXPECT_FALSE(form->pwdWarningImg()->isHidden()) << "protected without a password";
    EXPECT_TRUE(form->titleWarningImg()->isHidden());
    EXPECT_TRUE(form->coverWarningImg()->isHidden());

    form->pwdLabel()->setText(QStringLiteral("secret-pass"));
    form->publishBtn()->click();
    EXPECT_TRUE(form->lastCheck().ready());
    EXPECT_TRUE(form->pwdWarningImg()->isHidden());
    form->collectionTitleLabel()->setText(QString(30, QChar(u'字')));
    form->publishBtn()->click();
    EXPECT_EQ(form->titleWarningImg()->toolTip(), QStringLiteral("不能超过三十个字符"));
    settle(host());
    EXPECT_EQ(requests("136"), 0u);
    EXPECT_EQ(service().requestLog().entries().size(), requests("137")) << "the form only loads the folders";
}

TEST_F(KXPublishFavoritesTest, WithoutFoldersTheFormSaysSo)
{
    auto* form = openForm();
    const Id chosen = form->itemAt(1)->info();
    form->itemAt(1)->slectedBtn()->click();
    form->setGroups(foundation::Array::create());
    settle(host());
    EXPECT_EQ(form->numberOfItems(), 0);
    EXPECT_TRUE(form->noCollectionView()->isVisible());
    EXPECT_FALSE(form->collectionView()->isVisible());
    EXPECT_TRUE(form->chosenFolder().isNil());

    form->setGroups(serverFolders());
    settle(host());
    EXPECT_FALSE(form->noCollectionView()->isVisible());
    EXPECT_TRUE(form->chosenFolder().isNil()) << "a list without the chosen folder drops the choice";
    form->itemAt(1)->slectedBtn()->click();
    form->setGroups(serverFolders());
    EXPECT_EQ(form->chosenFolder()["id"].stringValue(), chosen["id"].stringValue())
        << "a new list keeps the chosen folder";
}

TEST_F(KXPublishFavoritesTest, ThePublishedListShowsEachFoldersState)
{
    const favouritestest::WebImages images;
    auto* list = new KXPersonalPublish(QRect(0, 0, 310, 680));
    favouritesstyle::pinOnTop(list, &host());
    auto published = foundation::MutableArray::create();
    for (const Id& folder : *serverFolders())
        if (folder["is_publish"].integerValue() > 0)
            published->addObject(folder);
    list->setGroupDataA(published);
    settle(host());
    EXPECT_EQ(list->tableview()->model()->rowCount(), 2);
    EXPECT_EQ(list->tableview()->rowRect(list->tableview()->model()->index(1, 0)).top(), 250 + 15);
    list->upLoadBtn()->click();
    list->uploadBtn2()->click();
    EXPECT_EQ(list->parentWidget(), &host()) << "the upload buttons do nothing";
    settle(host());
    waitUntil([list] {
        return list->tableview()->images().loadsStarted() > 0
            && list->tableview()->images().loadsInFlight() == 0;
    });
    EXPECT_TRUE(favouritestest::saveScreenshots(*list, QStringLiteral("favourites-published")));
    list->backBtn()->click();
    EXPECT_EQ(list->parentWidget(), nullptr);
}

TEST_F(KXPublishFavoritesTest, ThePersonalCentreOpensTheseClassesByItsRegistry)
{
    registerFavouritesOverlays();
    using Page = KXPersonalCenterPages::Page;
    const auto folders = serverFolders();
    std::unique_ptr<QWidget> publish(KXPersonalCenterPages::make(Page::Publish, Id(folders)));
    ASSERT_NE(qobject_cast<KXPersonalPublish*>(publish.get()), nullptr);
    EXPECT_EQ(qobject_cast<KXPersonalPublish*>(publish.get())->groupDataA(), folders);
    std::unique_ptr<QWidget> detail(
        KXPersonalCenterPages::make(Page::CollectionDetail, folders->objectAtIndex(2)));
    auto* collection = qobject_cast<KXHomeRecomDetailView*>(detail.get());
    ASSERT_NE(collection, nullptr);
    EXPECT_NE(collection->userinfoDic(), nullptr);
    EXPECT_EQ(
        collection->listModel()->rowCount(), static_cast<int>(folders->objectAtIndex(2)["fonts"].count()));
    std::unique_ptr<QWidget> followed(KXPersonalCenterPages::make(Page::FollowedCollections));
    EXPECT_NE(qobject_cast<KXMyfocusSetView*>(followed.get()), nullptr);
    EXPECT_FALSE(qobject_cast<KXMyfocusSetView*>(followed.get())->backButton()->isHidden());
    std::unique_ptr<QWidget> manager(KXPersonalCenterPages::make(Page::FavouriteFolders));
    ASSERT_NE(qobject_cast<KXFontManagerView*>(manager.get()), nullptr);
    EXPECT_EQ(qobject_cast<KXFontManagerView*>(manager.get())->from(), QStringLiteral("个人中心"));
    settle(host());
}

TEST_F(KXPublishFavoritesTest, Screenshots)
{
    const favouritestest::WebImages images;
    KXPublishFavoritesWindowsController controller(
        QStringLiteral("KXPublishFavoritesWindowsController"), &host());
    controller.showWindow();
    auto* form = controller.contentViewController();
    ASSERT_TRUE(waitUntil([form] { return form->numberOfItems() > 0; }));
    form->itemAt(1)->slectedBtn()->click();
    form->collectionTitleLabel()->setText(QStringLiteral("标题字体精选"));
    form->publishBtn()->click();
    EXPECT_TRUE(
        favouritestest::saveScreenshots(*controller.window(), QStringLiteral("favourites-publish-form")));
    KXPublishNoCollectionView empty;
    empty.resize(648, 228);
    EXPECT_TRUE(favouritestest::saveScreenshots(empty, QStringLiteral("favourites-publish-no-collection")));
    KXPersonalCenterCollectionCell card;
    card.resize(290, KXPersonalCenterCollectionCell::kRowHeight);
    card.setData(serverFolders()->objectAtIndex(2));
    card.show();
    waitUntil([&card] { return !card.bgImageView()->isHidden(); });
    EXPECT_TRUE(favouritestest::saveScreenshots(card, QStringLiteral("favourites-personal-card")));
    card.setData(folder(Id(3), Id(1), "封面图片不清晰，名称与内容不符，请修改后重新提交审核。"));
    EXPECT_TRUE(favouritestest::saveScreenshots(card, QStringLiteral("favourites-personal-card-refused")));
    controller.window()->orderOut();
}

// Its own suite: the review changes the service's folders for the rest of the suite.
class KXPublishReviewTest : public KXPublishFavoritesTest { };

TEST_F(KXPublishReviewTest, APublishedReviewShowsThePublishedIcon)
{
    const Id underReview = serverFolders()->objectAtIndex(3);
    ASSERT_EQ(underReview["is_publish"].integerValue(), 1);
    ASSERT_TRUE(review(underReview["id"].integerValue(), 2));
    const Id reviewed = serverFolders()->objectAtIndex(3);
    KXPersonalCenterCollectionCell card;
    card.setData(reviewed);
    EXPECT_EQ(card.leftStateImageName(), KXFolderStateIcon::kPublished);
}

TEST_F(KXPublishFavoritesTest, SignedOutTheFormAsksForNothingUntilShownSignedIn)
{
    signOut();
    KXPublishFavoritesWindowsController controller(QStringLiteral("KXPublishFavoritesWindowsController"), &host());
    controller.showWindow();
    settle(*controller.window());
    EXPECT_EQ(requests("137"), 0u) << "no request that the service would answer with a sign-out";
    EXPECT_TRUE(controller.contentViewController()->noCollectionView()->isVisible());
    signIn();
    controller.showWindow();
    ASSERT_TRUE(waitUntil([&] { return controller.contentViewController()->numberOfItems() > 0; }));
    EXPECT_FALSE(controller.contentViewController()->noCollectionView()->isVisible());
    controller.window()->orderOut();
}
