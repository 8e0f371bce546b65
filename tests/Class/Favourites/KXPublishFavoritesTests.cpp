// Publishing: the form over the user's folders (items, choice, checks), its submission and what
// the service's answer does, the form of a user without folders, the published-folders list and
// the personal centre's card with their review states, the pages the personal centre opens, and a
// review's outcome on the lists.
#include "Class/Account/KXPersonalCenterPages.h"
#include "Class/Account/KXPersonalCenterView.h"
#include "Class/Favourites/Core/KXFolderSession.h"
#include "Class/Favourites/Core/KXFolderStateIcon.h"
#include "Class/Favourites/FavouritesRegistration.h"
#include "Class/Favourites/KXFavouritesStyle.h"
#include "Class/Favourites/KXFontManagerView.h"
#include "Class/Favourites/KXHomeRecomDetailView.h"
#include "Class/Favourites/KXHomeRecommendView.h"
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
#include "Class/UIKit/ScaledScreen.h"
#include "FavouritesTestSupport.h"
#include "Platform/Dispatch/RunLoop.h"
#include "Platform/Foundation/Foundation.h"
#include "Platform/Storage/UserDefaults.h"
#include "Support/DrawnAtScale.h"
#include "Support/ShownToolTip.h"
#include "Support/TableCellPixels.h"
#include "Support/TempHome.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPlainTextEdit>
#include <QScrollArea>
#include <QScrollBar>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <cmath>

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

TEST_F(KXPublishFavoritesTest, InTheTableCellTheCardWritesWhiteOnItsBands)
{
    auto* card = new KXPersonalCenterCollectionCell;
    card->setData(folder(Id(3), Id(0), "封面图片不清晰"));
    std::unique_ptr<QTableWidget> table;
    const QImage picture = tablecellpixels::drawnInCell(card, table, QSize(290, KXPersonalCenterCollectionCell::kRowHeight));
    for (const QLabel* label : { card->collectionGroupName(), card->fontCountLabel(), card->rejectLabel() }) {
        const QRect area(label->mapTo(card, QPoint(0, 0)) * picture.devicePixelRatio(), label->size() * picture.devicePixelRatio());
        const QImage text = picture.copy(area);
        EXPECT_GT(tablecellpixels::pixelsOf(text, Qt::white, 40), 5) << label->text().toStdString();
        EXPECT_EQ(tablecellpixels::pixelsOf(text, Qt::black, 40), 0) << label->text().toStdString();
    }
    EXPECT_TRUE(favouritestest::saveScreenshots(*table, QStringLiteral("favourites-personal-card-in-table")));
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

TEST_F(KXPublishFavoritesTest, TheFormOffersTheUnpublishedFoldersInOneScrollingRow)
{
    auto* form = openForm();
    std::vector<std::string> offered;
    for (const Id& folder : *serverFolders())
        if (folder["is_publish"].integerValue() == 0 || folder["is_publish"].integerValue() == 3)
            offered.push_back(folder["id"].stringValue());
    ASSERT_EQ(offered.size(), 2u) << "the demo user has two folders neither published nor under review";
    ASSERT_EQ(form->numberOfItems(), 2);
    for (int i = 0; i < form->numberOfItems(); ++i)
        EXPECT_EQ(form->itemAt(i)->info()["id"].stringValue(), offered[static_cast<std::size_t>(i)]);

    // Eight folders in every state: the published and those under review are left out.
    auto many = foundation::MutableArray::create();
    for (int i = 0; i < 8; ++i)
        many->addObject(Id(foundation::Dictionary::create(
            { { Id("id"), Id(500 + i) }, { Id("collect_name"), Id("夹" + std::to_string(i)) },
                { Id("is_publish"), Id(i % 4) }, { Id("fonts"), Id(foundation::Array::create()) } })));
    form->setGroups(many);
    settle(host());
    ASSERT_EQ(form->numberOfItems(), 4);
    for (int i = 0; i < form->numberOfItems(); ++i) {
        EXPECT_EQ(form->itemAt(i)->info()["id"].integerValue(), 500 + (i / 2) * 4 + (i % 2) * 3);
        EXPECT_EQ(form->itemAt(i)->titleLabel()->text().toStdString(),
            form->itemAt(i)->info()["collect_name"].stringValue());
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
    EXPECT_EQ(form->chosenFolder()["id"].integerValue(), 504);
}

TEST_F(KXPublishFavoritesTest, ARowOfThousandsOfFoldersHasItemsOnlyNearWhatItShows)
{
    auto* form = openForm();
    constexpr int kFolders = 10000;
    auto many = foundation::MutableArray::create();
    for (int i = 0; i < kFolders; ++i)
        many->addObject(Id(foundation::Dictionary::create(
            { { Id("id"), Id(1000 + i) }, { Id("collect_name"), Id("夹" + std::to_string(i)) },
                { Id("is_publish"), Id(0) }, { Id("fonts"), Id(foundation::Array::create()) } })));
    // Items that left are gone once their turn comes.
    const auto items = [form] {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return form->findChildren<KXPublishFavoriteItem*>().size();
    };
    const auto widgets = [form] { return form->findChildren<QWidget*>().size(); };
    form->setGroups(many);
    settle(host());
    EXPECT_EQ(form->numberOfItems(), kFolders);
    EXPECT_LT(items(), 20) << "the items of a few screens";
    EXPECT_LT(widgets(), 400);
    const int pitch = KXPublishFavoriteItem::kWidth + 20;
    EXPECT_EQ(form->collectionView()->widget()->width(), kFolders * pitch - 20)
        << "the row reaches the last folder";

    // Scrolled on, the folders in view have their items and those far behind have none.
    QScrollBar* bar = form->collectionView()->horizontalScrollBar();
    bar->setValue(100 * pitch);
    settle(host());
    KXPublishFavoriteItem* far = form->itemAt(100);
    ASSERT_TRUE(far);
    EXPECT_EQ(far->x(), 100 * pitch);
    EXPECT_EQ(far->info()["id"].integerValue(), 1100);
    EXPECT_FALSE(form->itemAt(0));
    EXPECT_LT(items(), 20);
    far->slectedBtn()->click();
    EXPECT_EQ(form->chosenFolder()["id"].integerValue(), 1100);

    // At the end of the row, the last folder has its item; the chosen one stays chosen away from view.
    bar->setValue(bar->maximum());
    settle(host());
    ASSERT_TRUE(form->itemAt(kFolders - 1));
    EXPECT_FALSE(form->itemAt(100));
    EXPECT_LT(items(), 20);
    EXPECT_EQ(form->chosenFolder()["id"].integerValue(), 1100);

    // Listed again, the chosen folder keeps its tick, shown when it comes back into view.
    form->setGroups(many);
    bar->setValue(100 * pitch);
    settle(host());
    EXPECT_EQ(form->chosenFolder()["id"].integerValue(), 1100);
    ASSERT_TRUE(form->itemAt(100));
    EXPECT_TRUE(form->itemAt(100)->isChosen());
    EXPECT_FALSE(form->itemAt(101)->isChosen());
    EXPECT_LT(items(), 20);
}

TEST_F(KXPublishFavoritesTest, TheFormChecksItsInputsBeforeSendingAnything)
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
    const QString big = dir.filePath("big.png");
    QFile bigFile(big);
    ASSERT_TRUE(bigFile.open(QIODevice::WriteOnly));
    bigFile.write(QByteArray("\x89PNG\r\n\x1a\n", 8) + QByteArray(2 * 1024 * 1024, 'x'));
    bigFile.close();

    EXPECT_FALSE(form->pwdLabel()->isEnabled()) << "public: the password field is off";
    form->authBtn()->setCurrentIndex(1);
    EXPECT_TRUE(form->pwdLabel()->isEnabled());
    form->authBtn()->setCurrentIndex(0);
    EXPECT_FALSE(form->pwdLabel()->isEnabled());

    form->publishBtn()->click();
    EXPECT_FALSE(form->lastCheck().ready());
    EXPECT_FALSE(form->titleWarningImg()->isHidden());
    EXPECT_EQ(form->titleWarningImg()->toolTip(), QStringLiteral("请输入分组名称"));
    EXPECT_TRUE(form->pwdWarningImg()->isHidden()) << "public: no password needed";
    EXPECT_FALSE(form->coverWarningImg()->isHidden());
    EXPECT_EQ(toastTexts(), std::vector<std::string> { "请选择要公开的收藏夹" });

    // A refused cover says why beside it, not only in a tool tip.
    form->chooseCover(fake);
    EXPECT_TRUE(form->coverPath().isEmpty());
    EXPECT_FALSE(form->coverWarningImg()->isHidden());
    EXPECT_TRUE(form->coverReasonLabel()->isVisible());
    EXPECT_EQ(form->coverReasonLabel()->text(), QStringLiteral("封面图片只能是PNG或JPG格式"));
    form->chooseCover(big);
    EXPECT_TRUE(form->coverPath().isEmpty());
    EXPECT_EQ(form->coverReasonLabel()->text(), QStringLiteral("封面图片不能超过2M"));
    EXPECT_TRUE(form->coverReasonLabel()->isVisible());
    form->chooseCover(png);
    EXPECT_FALSE(form->coverReasonLabel()->isVisible());

    form->itemAt(0)->slectedBtn()->click();
    form->collectionTitleLabel()->setText(QString(29, QChar(u'字')));
    form->authBtn()->setCurrentIndex(1);
    form->topicBtn()->setCurrentIndex(2);
    form->summaryTextView()->setPlainText(QStringLiteral("简介"));
    form->publishBtn()->click();
    EXPECT_FALSE(form->lastCheck().ready());
    EXPECT_FALSE(form->pwdWarningImg()->isHidden()) << "protected without a password";
    EXPECT_TRUE(form->titleWarningImg()->isHidden());
    EXPECT_TRUE(form->coverWarningImg()->isHidden());

    form->pwdLabel()->setText(QStringLiteral("secret-pass"));
    form->collectionTitleLabel()->setText(QString(30, QChar(u'字')));
    form->publishBtn()->click();
    EXPECT_EQ(form->titleWarningImg()->toolTip(), QStringLiteral("不能超过三十个字符"));
    EXPECT_TRUE(form->pwdWarningImg()->isHidden());
    EXPECT_FALSE(form->isPublishing());
    ASSERT_TRUE(waitForQuietTraffic());
    EXPECT_EQ(requests("136"), 0u) << "nothing is sent while a field would not do";
}

TEST_F(KXPublishFavoritesTest, AFieldsMarkGoesAsSoonAsTheFieldPasses)
{
    auto* form = openForm();
    form->authBtn()->setCurrentIndex(1);
    form->summaryTextView()->setPlainText(QString(201, QChar(u'简')));
    form->publishBtn()->click();
    ASSERT_FALSE(form->titleWarningImg()->isHidden());
    ASSERT_FALSE(form->pwdWarningImg()->isHidden());
    ASSERT_FALSE(form->topicWarningImg()->isHidden());
    ASSERT_FALSE(form->summaryWarningImg()->isHidden());

    form->collectionTitleLabel()->setText(QString(30, QChar(u'字')));
    EXPECT_FALSE(form->titleWarningImg()->isHidden()) << "still too long";
    EXPECT_EQ(form->titleWarningImg()->toolTip(), QStringLiteral("不能超过三十个字符")) << "the reason follows the field";
    form->collectionTitleLabel()->setFocus();
    QTest::keyClick(form->collectionTitleLabel(), Qt::Key_Backspace);
    EXPECT_TRUE(form->titleWarningImg()->isHidden()) << "twenty-nine characters pass";
    EXPECT_TRUE(form->titleWarningImg()->toolTip().isEmpty());

    QTest::keyClicks(form->pwdLabel(), QStringLiteral("pw"));
    EXPECT_TRUE(form->pwdWarningImg()->isHidden());
    form->topicBtn()->setCurrentIndex(1);
    EXPECT_TRUE(form->topicWarningImg()->isHidden());
    form->summaryTextView()->setPlainText(QStringLiteral("简介"));
    EXPECT_TRUE(form->summaryWarningImg()->isHidden());

    form->collectionTitleLabel()->clear();
    EXPECT_TRUE(form->titleWarningImg()->isHidden()) << "an unmarked field is judged again by the publish check only";
    form->publishBtn()->click();
    EXPECT_FALSE(form->titleWarningImg()->isHidden());
}

TEST_F(KXPublishFavoritesTest, TabAndControlTabLeaveTheSummaryBothWays)
{
    auto* form = openForm();
    form->window()->activateWindow();
    QPlainTextEdit* summary = form->summaryTextView();
    summary->setPlainText(QStringLiteral("ab"));
    // Control held, as it leaves a box that takes Tab; forwards and, with Shift, backwards.
    for (const Qt::KeyboardModifiers modifiers : { Qt::KeyboardModifiers(), Qt::KeyboardModifiers(Qt::ControlModifier) }) {
        for (const Qt::Key key : { Qt::Key_Tab, Qt::Key_Backtab }) {
            summary->setFocus();
            summary->moveCursor(QTextCursor::End);
            QTest::keyClick(summary, key, key == Qt::Key_Backtab ? modifiers | Qt::ShiftModifier : modifiers);
            EXPECT_EQ(summary->toPlainText(), QStringLiteral("ab")) << modifiers.toInt() << " " << key;
            EXPECT_FALSE(summary->hasFocus()) << modifiers.toInt() << " " << key;
            EXPECT_TRUE(QApplication::focusWidget() && form->isAncestorOf(QApplication::focusWidget())) << "to the form's next field";
        }
    }
}

TEST_F(KXPublishFavoritesTest, TheCoverDialogOpensInPicturesElseHomeThenWhereTheLastCoverWas)
{
    KXPublishFavoritesViewController::forgetCoverFolder();
    const QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    ASSERT_FALSE(pictures.isEmpty());
    QDir(pictures).removeRecursively();
    struct Restore {
        QString pictures;
        ~Restore()
        {
            KXPublishFavoritesViewController::setCoverDialogRunner({});
            KXPublishFavoritesViewController::forgetCoverFolder();
            QDir(pictures).removeRecursively();
        }
    } restore{pictures};
    QString openedIn;
    QString titled;
    QString choice;
    KXPublishFavoritesViewController::setCoverDialogRunner([&](QFileDialog& dialog) {
        openedIn = dialog.directory().absolutePath();
        titled = dialog.windowTitle();
        return choice;
    });
    auto* form = openForm();
    form->uploadImageClick();
    EXPECT_EQ(openedIn, QDir(QDir::homePath()).absolutePath()) << "no pictures folder: home";
    EXPECT_EQ(titled, QStringLiteral("选择封面")) << "named in the window manager's task bar";
    ASSERT_TRUE(QDir().mkpath(pictures));
    form->uploadImageClick();
    EXPECT_EQ(openedIn, QDir(pictures).absolutePath());
    EXPECT_TRUE(form->coverPath().isEmpty()) << "cancelled";

    const QString elsewhere = QString::fromStdString(testsupport::makeScratchDir("covers").string());
    choice = QDir(elsewhere).filePath(QStringLiteral("cover.png"));
    QImage(40, 30, QImage::Format_RGB32).save(choice, "PNG");
    form->uploadImageClick();
    EXPECT_EQ(form->coverPath(), choice);
    choice.clear();
    form->uploadImageClick();
    EXPECT_EQ(openedIn, QDir(elsewhere).absolutePath()) << "where the last cover was picked";
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

TEST_F(KXPublishFavoritesTest, TheSummaryBoxDrawsItsFourBordersAtEveryScale)
{
    auto* form = openForm();
    const QWidget* box = form->summaryTextView();
    const QRect edges(box->mapTo(form, QPoint(0, 0)), box->size());
    for (const double scale : { 1.0, 1.25, 1.75 }) {
        const QImage shot = drawnAtScale(*form, scale);
        // A border pixel within a device pixel of where the edge falls, halfway along the side.
        const auto bordered = [&](double x, double y, bool across) {
            for (int step = -1; step <= 1; ++step) {
                const int px = static_cast<int>(std::floor(x * scale)) + (across ? step : 0);
                const int py = static_cast<int>(std::floor(y * scale)) + (across ? 0 : step);
                if (qGray(shot.pixel(px, py)) < 230)
                    return true;
            }
            return false;
        };
        const double midX = edges.center().x(), midY = edges.center().y();
        EXPECT_TRUE(bordered(edges.left(), midY, true)) << "left at " << scale;
        EXPECT_TRUE(bordered(edges.right() + 0.5, midY, true)) << "right at " << scale;
        EXPECT_TRUE(bordered(midX, edges.top(), false)) << "top at " << scale;
        EXPECT_TRUE(bordered(midX, edges.bottom() + 0.5, false)) << "bottom at " << scale;
    }
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
    QTemporaryDir dir;
    QFile big(dir.filePath("big.jpg"));
    ASSERT_TRUE(big.open(QIODevice::WriteOnly));
    big.write(QByteArray("\xff\xd8\xff", 3) + QByteArray(3 * 1024 * 1024, 'x'));
    big.close();
    form->chooseCover(big.fileName());
    EXPECT_TRUE(favouritestest::saveScreenshots(
        *controller.window(), QStringLiteral("favourites-publish-cover-refused")));
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
    KXPublishFavoritesWindowsController controller(
        QStringLiteral("KXPublishFavoritesWindowsController"), &host());
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

TEST_F(KXPublishFavoritesTest, AnEmptyTokenIsSignedInAndTheFormAsksForTheFolders)
{
    setDefault("token", Id(""));
    KXPublishFavoritesWindowsController controller(
        QStringLiteral("KXPublishFavoritesWindowsController"), &host());
    controller.showWindow();
    EXPECT_TRUE(waitUntil([] { return requests("137") > 0; }));
    controller.window()->orderOut();
}

// Its own suite: the submissions change the service's folders for the rest of the suite.
class KXPublishSubmitTest : public KXPublishFavoritesTest {
protected:
    void SetUp() override
    {
        KXPublishFavoritesTest::SetUp();
        beforeTheForm();
        controller_ = std::make_unique<KXPublishFavoritesWindowsController>(
            QStringLiteral("KXPublishFavoritesWindowsController"), &host());
        controller_->showWindow();
        ASSERT_TRUE(waitUntil([this] { return form()->numberOfItems() > 0; }));
        cover_ = dir_.filePath("cover.png");
        // A photograph-like cover: noise keeps it well above the few kilobytes of other forms.
        QImage image(320, 200, QImage::Format_RGB32);
        quint32 seed = 12345;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                seed = seed * 1664525u + 1013904223u;
                image.setPixel(x, y, seed >> 8);
            }
        ASSERT_TRUE(image.save(cover_, "PNG"));
        ASSERT_GT(QFileInfo(cover_).size(), 64 * 1024);
    }
    void TearDown() override
    {
        controller_.reset();
        KXPublishFavoritesTest::TearDown();
    }
    virtual void beforeTheForm() {}
    KXPublishFavoritesViewController* form() const { return controller_->contentViewController(); }
    // Fills every field of the form for the first folder it offers; returns that folder.
    Id fill(const QString& name, const QString& password = {})
    {
        form()->itemAt(0)->slectedBtn()->click();
        form()->collectionTitleLabel()->setText(name);
        form()->authBtn()->setCurrentIndex(password.isEmpty() ? 0 : 1);
        form()->pwdLabel()->setText(password);
        form()->topicBtn()->setCurrentIndex(1);
        form()->summaryTextView()->setPlainText(QStringLiteral("标题用的字体"));
        form()->chooseCover(cover_);
        return form()->chosenFolder();
    }
    static Id serverFolder(const Id& folder)
    {
        for (const Id& f : *serverFolders())
            if (f["id"].stringValue() == folder["id"].stringValue())
                return f;
        return {};
    }
    static bool lists(const foundation::Ref<foundation::Array>& records, const Id& folder, long long state)
    {
        if (!records)
            return false;
        for (const Id& record : *records)
            if (record["id"].stringValue() == folder["id"].stringValue())
                return record["is_publish"].integerValue() == state;
        return false;
    }

    std::unique_ptr<KXPublishFavoritesWindowsController> controller_;
    QTemporaryDir dir_;
    QString cover_;
};

TEST_F(KXPublishSubmitTest, PublishSendsTheFormOnceAndThePublishedListsFollowTheReview)
{
    auto* centre = new KXPersonalCenterView;
    favouritesstyle::pinOnTop(centre, &host());
    ASSERT_TRUE(waitUntil([centre] { return centre->collectionArray()->count() == 2; }));

    const Id folder = fill(QStringLiteral("精选标题"));
    ASSERT_EQ(folder["is_publish"].integerValue(), 0);
    holdNextReply("136");
    form()->publishBtn()->click();
    ASSERT_TRUE(waitForHeldReplies());
    EXPECT_TRUE(form()->isPublishing());
    EXPECT_FALSE(form()->publishBtn()->isEnabled()) << "inert while the request is out";
    form()->publishBtn()->click();
    form()->publishBtnClick();
    ASSERT_TRUE(releaseHeldReplies());
    ASSERT_TRUE(waitUntil([this] { return !controller_->window()->isVisible(); }))
        << "accepted: the window closes";
    EXPECT_EQ(requests("136"), 1u);
    EXPECT_TRUE(form()->publishBtn()->isEnabled());
    const auto& shown = toasts_->shown;
    const auto success = std::find_if(
        shown.begin(), shown.end(), [](const auto& toast) { return toast.message == "提交成功，等待审核"; });
    ASSERT_NE(success, shown.end());
    EXPECT_EQ(success->window, &host()) << "over the window that stays, not the one closing";

    const auto sent = service().requestLog().withTag("136");
    ASSERT_EQ(sent.size(), 1u);
    const auto param = [&sent](const char* name) {
        const std::string* value = sent[0].param(name);
        return value ? *value : std::string("<none>");
    };
    EXPECT_EQ(param("id"), folder["id"].stringValue());
    EXPECT_EQ(param("is_encrypt"), "0");
    EXPECT_EQ(param("suffix"), "png");
    EXPECT_EQ(param("tag_id"), "1");
    EXPECT_EQ(param("tag_name"), "标题字体");
    EXPECT_EQ(param("collect_name"), "精选标题");
    EXPECT_EQ(param("collect_desc"), "标题用的字体");
    QFile file(cover_);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(QByteArray::fromBase64(QByteArray::fromStdString(param("img"))), file.readAll());

    const Id submitted = serverFolder(folder);
    EXPECT_EQ(submitted["is_publish"].integerValue(), 1);
    EXPECT_EQ(submitted["collect_name"].stringValue(), "精选标题");
    // The form leaves the folder out and starts empty; the personal centre lists it under review.
    ASSERT_TRUE(waitUntil([this] { return form()->numberOfItems() == 1; }));
    EXPECT_NE(form()->itemAt(0)->info()["id"].stringValue(), folder["id"].stringValue());
    EXPECT_TRUE(form()->collectionTitleLabel()->text().isEmpty());
    EXPECT_TRUE(form()->coverPath().isEmpty());
    ASSERT_TRUE(waitUntil([&] { return lists(centre->collectionArray(), folder, 1); }));
    EXPECT_EQ(KXFolderStateIcon::imageName(serverFolder(folder)), KXFolderStateIcon::kChecking);

    // Reviewed as published: the personal centre and the recommended list show it.
    ASSERT_TRUE(review(folder["id"].integerValue(), 2));
    centre->setUPData();
    ASSERT_TRUE(waitUntil([&] { return lists(centre->collectionArray(), folder, 2); }));
    EXPECT_EQ(KXFolderStateIcon::imageName(serverFolder(folder)), KXFolderStateIcon::kPublished);
    const auto detail = run([&](auto s, auto f) { KXHTTPBUSINESS().getRecommendDataByID(folder["id"], Id("0"), s, f); });
    EXPECT_EQ(detail.reply["corvane_data"]["collect_desc"].stringValue(), "标题用的字体") << "the form's summary";
    auto* recommended = new KXHomeRecommendView(QRect(0, 0, 310, 680));
    favouritesstyle::pinOnTop(recommended, &host());
    EXPECT_TRUE(waitUntil([&] { return lists(recommended->groupDataA(), folder, 2); }));
    settle(host());
    delete recommended;
    delete centre;
}

TEST_F(KXPublishSubmitTest, ARefusedOrFailedSubmissionKeepsTheInputs)
{
    const Id folder = fill(QStringLiteral("带密码的合集"), QStringLiteral("hunter22"));
    const auto kept = [&] {
        return form()->chosenFolder()["id"].stringValue() == folder["id"].stringValue()
            && form()->collectionTitleLabel()->text() == QStringLiteral("带密码的合集")
            && form()->pwdLabel()->text() == QStringLiteral("hunter22") && form()->coverPath() == cover_
            && form()->publishBtn()->isEnabled() && controller_->window()->isVisible();
    };

    setFault("136", localservice::Fault::Kind::ErrorCode, 1, "合集名称已存在");
    form()->publishBtn()->click();
    ASSERT_TRUE(waitUntil([this] { return !form()->isPublishing(); }));
    ASSERT_TRUE(waitForQuietTraffic());
    EXPECT_EQ(toastTexts(), std::vector<std::string> { "合集名称已存在" }) << "the service's message, once";
    EXPECT_TRUE(kept());

    setFault("136", localservice::Fault::Kind::Http500);
    form()->publishBtn()->click();
    ASSERT_TRUE(waitUntil([this] { return !form()->isPublishing(); }));
    ASSERT_TRUE(waitForQuietTraffic());
    EXPECT_EQ(toastTexts().back(), "网络异常，请稍后重试");
    EXPECT_TRUE(kept());
    EXPECT_EQ(serverFolder(folder)["is_publish"].integerValue(), 0);

    service().faults().clearAll();
    form()->publishBtn()->click();
    ASSERT_TRUE(waitUntil([this] { return !controller_->window()->isVisible(); }));
    EXPECT_EQ(requests("136"), 3u);
    EXPECT_EQ(serverFolder(folder)["is_encrypt"].integerValue(), 1) << "published behind its password";
    EXPECT_EQ(serverFolder(folder)["is_publish"].integerValue(), 1);
}

// Each case brings a folder of its own to submit: the suite above uses up demo's.
class KXPublishLostReplyTest : public KXPublishSubmitTest {
protected:
    void beforeTheForm() override
    {
        const std::string name = std::string("待公开") + ::testing::UnitTest::GetInstance()->current_test_info()->name();
        ASSERT_TRUE(run([&name](auto s, auto f) { KXHTTPBUSINESS().CreateGroupWithName(Id(name), s, f); }).reply);
    }
};

TEST_F(KXPublishLostReplyTest, ALostPublishIsReadBackAndAPublishedFolderIsNotSentAgain)
{
    const Id folder = fill(QStringLiteral("丢失的回复"));
    // The service publishes the folder and its reply is lost; the read back is slow.
    setFault("136", localservice::Fault::Kind::LostReply);
    holdNextReply("getMyCollect");
    form()->publishBtn()->click();
    ASSERT_TRUE(waitForHeldReplies());
    ASSERT_TRUE(waitForQuietTraffic(1));
    EXPECT_TRUE(form()->isPublishing()) << "the outcome is not known yet";
    EXPECT_FALSE(form()->publishBtn()->isEnabled());
    form()->publishBtnClick();
    ASSERT_TRUE(releaseHeldReplies());
    ASSERT_TRUE(waitUntil([this] { return !controller_->window()->isVisible(); })) << "handed over as accepted";
    ASSERT_TRUE(waitForQuietTraffic());
    EXPECT_EQ(requests("136"), 1u);
    EXPECT_EQ(serverFolder(folder)["is_publish"].integerValue(), 1);
    EXPECT_EQ(toastTexts().back(), "提交成功，等待审核");
    EXPECT_TRUE(form()->collectionTitleLabel()->text().isEmpty());
    for (int i = 0; i < form()->numberOfItems(); ++i)
        EXPECT_NE(form()->itemAt(i)->info()["id"].stringValue(), folder["id"].stringValue()) << "no longer offered";
}

// The service published the folder and its reply was lost, and the read back failed too: a press
// while that publication's outcome is unknown reads the folders first, sends nothing while the
// read fails, and hands over as accepted once the read shows the folder submitted.
TEST_F(KXPublishLostReplyTest, APressWhileAnEarlierPublicationIsUnknownReadsFirstAndSendsNoSecond)
{
    favouritestest::KeptAheadWrites kept;
    const Id folder = fill(QStringLiteral("读回也失败"));
    setFault("136", localservice::Fault::Kind::LostReply);
    setFault("getMyCollect", localservice::Fault::Kind::Http500);
    form()->publishBtn()->click();
    ASSERT_TRUE(waitForQuietTraffic());
    ASSERT_FALSE(form()->isPublishing());
    ASSERT_EQ(toastTexts().back(), "网络异常，请稍后重试");
    service().faults().clear("136");
    const std::size_t reads = requests("137");

    form()->publishBtn()->click();
    ASSERT_TRUE(waitForQuietTraffic());
    EXPECT_EQ(requests("136"), 1u) << "still unknown: nothing sent";
    EXPECT_EQ(requests("137"), reads + 1) << "read first";
    EXPECT_EQ(toastTexts().back(), "网络失败！");
    EXPECT_FALSE(form()->isPublishing());
    EXPECT_EQ(form()->collectionTitleLabel()->text(), QStringLiteral("读回也失败")) << "the inputs stay";

    service().faults().clear("getMyCollect");
    ASSERT_EQ(serverFolder(folder)["is_publish"].integerValue(), 1) << "made by the service";
    form()->publishBtn()->click();
    ASSERT_TRUE(waitUntil([this] { return !controller_->window()->isVisible(); }))
        << "handed over as accepted";
    ASSERT_TRUE(waitForQuietTraffic());
    EXPECT_EQ(requests("136"), 1u) << "found made: nothing sent";
    EXPECT_EQ(toastTexts().back(), "提交成功，等待审核");
    EXPECT_FALSE(KXAccountWrites::keptUnknown("136", folder["id"].stringValue())) << "settled by the read";
}

// A read from elsewhere brings its new folder, and keeps what the person chose and typed and where
// the folders' row was scrolled.
TEST_F(KXPublishLostReplyTest, TheFormShowsFoldersAnotherViewReadAndKeepsThePersonsChoices)
{
    const int offered = form()->numberOfItems();
    ASSERT_GE(offered, 2);
    form()->itemAt(offered - 1)->slectedBtn()->click();
    const std::string chosen = form()->chosenFolder()["id"].stringValue();
    ASSERT_FALSE(chosen.empty());
    form()->collectionTitleLabel()->setText(QStringLiteral("正在输入的名称"));
    form()->summaryTextView()->setPlainText(QStringLiteral("正在输入的简介"));
    QScrollBar* row = form()->collectionView()->horizontalScrollBar();
    row->setValue(row->maximum());
    const int scrolled = row->value();

    ASSERT_TRUE(run([](auto s, auto f) { KXHTTPBUSINESS().CreateGroupWithName(Id("别处新建"), s, f); }).reply);
    KXFolderSession::reloadFolders();
    ASSERT_TRUE(waitForQuietTraffic());
    dispatch::RunLoop::drain();
    EXPECT_EQ(form()->numberOfItems(), offered + 1);
    EXPECT_EQ(form()->chosenFolder()["id"].stringValue(), chosen);
    int ticked = 0;
    for (int i = 0; i < form()->numberOfItems(); ++i)
        ticked += form()->itemAt(i)->isChosen() ? 1 : 0;
    EXPECT_EQ(ticked, 1) << "the new folder arrives unchosen";
    EXPECT_EQ(form()->collectionTitleLabel()->text(), QStringLiteral("正在输入的名称"));
    EXPECT_EQ(form()->summaryTextView()->toPlainText(), QStringLiteral("正在输入的简介"));
    EXPECT_EQ(row->value(), scrolled);
}

TEST(KXPublishFavoriteItemText, TheFolderNameShowsAsWrittenInTheTitleAndTheTooltip)
{
    const QString name = R"(<b>我的</b><img src="file:///usr/share/pixmaps/x.png"> & more)";
    KXPublishFavoriteItem item;
    item.setInfo(Id(foundation::Dictionary::create(
        {{Id("collect_name"), Id(name.toStdString())}, {Id("fonts"), Id(foundation::Array::create())}})));
    EXPECT_EQ(item.titleLabel()->textFormat(), Qt::PlainText);
    EXPECT_EQ(item.titleLabel()->text(), name);
    EXPECT_EQ(shownToolTipText(item.toolTip()).toStdString(), name.toStdString());
}

TEST_F(KXPublishFavoritesTest, OnASmallScreenTheWindowFitsAndTheCoverAndPublishButtonsScrollIntoIt)
{
    KXPublishFavoritesWindowsController controller(QStringLiteral("KXPublishFavoritesWindowsController"), &host());
    KXPublishFavoritesViewController* form = controller.contentViewController();
    scaledscreen::forEachSmallScreen([&](const scaledscreen::ScaledScreen& screen) {
        scaledscreen::expectFitsWithButtonsReachable(controller.window(), {form->uploadImageview(), form->publishBtn()}, screen);
    });
}
