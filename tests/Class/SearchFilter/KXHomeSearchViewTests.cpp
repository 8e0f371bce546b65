// The search panel offscreen: its states in the views, typing, Enter, clicks on rows and beside
// them, clear, close and removal by the owner, paste, and the table's live-scroll notices. The
// service's search is answered by the test (ScriptedSearchServices).
#include "Class/FontList/KXFontListModel.h"
#include "Class/FontList/KXFontTableView.h"
#include "Class/FontList/KXHomeListView.h"
#include "Class/SearchFilter/KXHomeSearchView.h"
#include "Class/SearchFilter/SearchFilterRegistration.h"
#include "Class/ServiceCore/Catalogue/KXFontBaseModel.h"
#include "Class/UIKit/KXBaseButton.h"
#include "Class/UIKit/KXRemoveFromSuperview.h"
#include "Class/UIKit/THSearchField.h"
#include "Core/ScriptedSearchServices.h"
#include "FontListTestSupport.h"
#include "Platform/Dispatch/Clock.h"
#include "Platform/Dispatch/NotificationCenter.h"
#include "Platform/Dispatch/RunLoop.h"
#include "Platform/Foundation/Foundation.h"
#include "Platform/Storage/UserDefaults.h"
#include "SearchFilterTestSupport.h"
#include "Support/TempHome.h"

#include <QApplication>
#include <QClipboard>
#include <QPointer>
#include <QLabel>
#include <QScrollBar>
#include <QTest>
#include <gtest/gtest.h>

using foundation::Id;
namespace fs = std::filesystem;

namespace {

class KXHomeSearchViewTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        foundation::UserDefaults::standardUserDefaults().removeObjectForKey("token");
        services_ = std::make_shared<ScriptedSearchServices>(ScriptedSearchServices::sampleCatalogue());
        historyFile_ = testsupport::makeScratchDir("search-view") / "KXFonts" / KXSearchHistory::kFileName;
    }

    std::unique_ptr<KXHomeSearchView> makePanel(const std::vector<std::string>& history = {})
    {
        if (!history.empty()) {
            KXSearchHistory stored(historyFile_);
            for (auto it = history.rbegin(); it != history.rend(); ++it)
                stored.add(*it);
            stored.write();
        }
        auto panel = std::make_unique<KXHomeSearchView>(QRect(0, 0, 700, 600), nullptr, services_, historyFile_);
        panel->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(panel.get()));
        fontlisttest::settle(*panel);
        return panel;
    }
    void typeInto(KXHomeSearchView& panel, const QString& text)
    {
        searchfiltertest::typeText(panel.customStrTF(), text);
        waitForSuggestions(panel);
    }
    void waitForSuggestions(KXHomeSearchView& panel)
    {
        const auto wanted = panel.state().requestedSequence();
        ASSERT_TRUE(dispatch::RunLoop::runUntil([&] { return panel.state().appliedSequence() >= wanted; }, 5));
        fontlisttest::settle(panel);
    }
    static QRect rowRect(KXHomeSearchView& panel, int row)
    {
        return panel.listTableView()->visualRect(panel.listTableView()->model()->index(row, 0));
    }
    std::vector<std::string> historyOnDisk() const { return historyTexts(historyFile_); }

    std::shared_ptr<ScriptedSearchServices> services_;
    fs::path historyFile_;
};

} // namespace

TEST_F(KXHomeSearchViewTest, EachStateShowsInTheViews)
{
    auto panel = makePanel({"黑体", "Mono"});
    EXPECT_EQ(panel->topicLabel()->text(), QString::fromUtf8("历史记录"));
    EXPECT_TRUE(panel->clearBtn()->isVisible());
    EXPECT_FALSE(panel->sureBtn()->isVisible()) << "hidden while the field is empty";
    EXPECT_EQ(panel->listTableView()->model(), panel->textModel());
    EXPECT_EQ(panel->textModel()->rowCount(), 2);
    EXPECT_EQ(rowRect(*panel, 0).height(), 22 + KXFontTableView::kIntercellSpacing);
    EXPECT_EQ(panel->customStrTF()->placeholderText(), QString::fromUtf8("请输入字体名称"));
    EXPECT_EQ(panel->customStrTF()->maxLength(), 32767);

    typeInto(*panel, "Mono");
    EXPECT_TRUE(panel->sureBtn()->isVisible());
    EXPECT_EQ(panel->topicLabel()->text(), QString::fromUtf8("搜索建议"));
    EXPECT_FALSE(panel->clearBtn()->isVisible());
    EXPECT_EQ(static_cast<std::size_t>(panel->textModel()->rowCount()), panel->state().rowCount());
    EXPECT_EQ(panel->textModel()->index(0, 0).data().toString().toStdString(), panel->state().textAt(0));

    // Return searches; the reply's fonts are font rows in the server's order.
    QTest::keyClick(panel->customStrTF(), Qt::Key_Return);
    ASSERT_EQ(services_->requests.size(), 1u);
    EXPECT_EQ(services_->requests[0].text, "Mono");
    services_->answer(0, "1014,1011");
    fontlisttest::settle(*panel);
    EXPECT_EQ(panel->topicLabel()->text(), QString::fromUtf8("搜索字体"));
    EXPECT_EQ(panel->listTableView()->model(), panel->fontModel());
    ASSERT_EQ(panel->fontModel()->rowCount(), 2);
    EXPECT_EQ(panel->fontModel()->recordAt(0)->fontid, 1014);
    EXPECT_EQ(rowRect(*panel, 0).height(), 90 + KXFontTableView::kIntercellSpacing);
    EXPECT_EQ(panel->fontModel()->recordAt(0)->cellHeight, 30) << "the search panel's rows";

    // The keypad's Enter searches too; nothing found shows the notice with the title under it.
    QTest::keyClick(panel->customStrTF(), Qt::Key_Enter, Qt::KeypadModifier);
    ASSERT_EQ(services_->requests.size(), 2u);
    services_->answer(1, "");
    fontlisttest::settle(*panel);
    ASSERT_TRUE(panel->noDataView());
    EXPECT_TRUE(panel->noDataView()->isVisible());
    EXPECT_EQ(panel->topicLabel()->text(), QString::fromUtf8("推荐字体"));
    EXPECT_EQ(panel->topicLabel()->geometry().top(), panel->noDataView()->geometry().bottom() + 1 + 2);
    EXPECT_GT(panel->fontModel()->rowCount(), 30);

    // Typing what finds something goes back to suggestions, the notice hidden.
    panel->customStrTF()->clear();
    typeInto(*panel, "Sans");
    EXPECT_FALSE(panel->noDataView()->isVisible());
    EXPECT_EQ(panel->listTableView()->model(), panel->textModel());
}

TEST_F(KXHomeSearchViewTest, ARowClickSearchesItsTextAndAClickBesideTheRowsDoesNothing)
{
    auto panel = makePanel({"黑体", "Mono"});
    auto* viewport = panel->listTableView()->viewport();
    QTest::mouseClick(viewport, Qt::LeftButton, {}, QPoint(100, rowRect(*panel, 1).bottom() + 60));
    EXPECT_TRUE(services_->requests.empty()) << "no row there";

    QTest::mouseClick(viewport, Qt::LeftButton, {}, rowRect(*panel, 1).center());
    ASSERT_EQ(services_->requests.size(), 1u);
    EXPECT_EQ(services_->requests[0].text, "Mono");
    EXPECT_EQ(panel->customStrTF()->text(), QString("Mono"));
    EXPECT_TRUE(panel->sureBtn()->isVisible());
    fontlisttest::settle(*panel);
    EXPECT_EQ(panel->textModel()->index(0, 0).data().toString(), QString("Mono")) << "moved to the front";

    // The search button searches as well.
    QTest::mouseClick(panel->sureBtn(), Qt::LeftButton);
    EXPECT_EQ(services_->requests.size(), 2u);
}

TEST_F(KXHomeSearchViewTest, ClearCloseAndTheOwnersRemovalKeepTheHistoryFile)
{
    auto panel = makePanel({"黑体"});
    QTest::mouseClick(panel->clearBtn(), Qt::LeftButton);
    fontlisttest::settle(*panel);
    EXPECT_EQ(panel->textModel()->rowCount(), 0);
    EXPECT_TRUE(historyOnDisk().empty());
    EXPECT_TRUE(fs::exists(historyFile_));

    // The close button writes what was searched and takes the panel away.
    QWidget owner;
    owner.resize(600, 500);
    owner.show();
    auto* closing = new KXHomeSearchView(QRect(0, 0, 600, 500), &owner, services_, historyFile_);
    closing->show();
    searchfiltertest::typeText(closing->customStrTF(), "宋体");
    QTest::keyClick(closing->customStrTF(), Qt::Key_Return);
    QPointer<KXHomeSearchView> watched(closing);
    QTest::mouseClick(closing->cancelBtn(), Qt::LeftButton);
    EXPECT_FALSE(watched && watched->parentWidget());
    EXPECT_EQ(historyOnDisk(), std::vector<std::string>{"宋体"});
    dispatch::RunLoop::drain();
    QApplication::processEvents();

    // The owner takes it away (a tab switch): the searches are written as well.
    auto* removed = new KXHomeSearchView(QRect(0, 0, 600, 500), &owner, services_, historyFile_);
    removed->show();
    searchfiltertest::typeText(removed->customStrTF(), "Mono");
    QTest::keyClick(removed->customStrTF(), Qt::Key_Return);
    kx_removeFromSuperview(removed);
    EXPECT_EQ(historyOnDisk(), (std::vector<std::string>{"Mono", "宋体"}));
    const auto requests = services_->requests.size();
    services_->answer(requests - 1, "1001");
    EXPECT_EQ(removed->state().mode(), KXHomeSearchState::Mode::History) << "a removed panel takes no reply";
}

TEST_F(KXHomeSearchViewTest, PasteGoesInAtTheCaretAndSuggests)
{
    auto panel = makePanel();
    searchfiltertest::typeText(panel->customStrTF(), "Mo");
    QApplication::clipboard()->setText("no");
    QTest::keyClick(panel->customStrTF(), Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(panel->customStrTF()->text(), QString("Mono"));
    waitForSuggestions(*panel);
    EXPECT_EQ(panel->state().fieldText(), "Mono");
    EXPECT_EQ(panel->state().mode(), KXHomeSearchState::Mode::Suggestions);
    EXPECT_EQ(panel->textModel()->index(0, 0).data().toString().toStdString(), panel->state().textAt(0));
    EXPECT_NE(panel->state().textAt(0).find("Mono"), std::string::npos);
}

TEST_F(KXHomeSearchViewTest, TheTableIsTheListsTableAndAnnouncesLiveScrolling)
{
    auto panel = makePanel();
    searchfiltertest::typeText(panel->customStrTF(), "M");
    QTest::keyClick(panel->customStrTF(), Qt::Key_Backspace);
    waitForSuggestions(*panel);
    ASSERT_GT(panel->textModel()->rowCount(), 30) << "every keyword for an empty text, more than fit";
    int started = 0, ended = 0;
    auto& centre = dispatch::NotificationCenter::defaultCenter();
    const auto start = centre.addObserver(KXFontTableView::kWillStartLiveScrollNotification, Id(), nullptr,
                                          [&](const dispatch::Notification&) { started += 1; });
    const auto end = centre.addObserver(KXFontTableView::kDidEndLiveScrollNotification, Id(), nullptr,
                                        [&](const dispatch::Notification&) { ended += 1; });
    dispatch::VirtualClock::Scope time;
    auto* viewport = panel->listTableView()->viewport();
    QWheelEvent wheel(QPointF(50, 50), viewport->mapToGlobal(QPointF(50, 50)), QPoint(), QPoint(0, -120), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(viewport, &wheel);
    EXPECT_EQ(started, 1);
    time.advance(0.25);
    dispatch::RunLoop::drain();
    EXPECT_EQ(ended, 1);
}

TEST_F(KXHomeSearchViewTest, SignedOutFontRowsAskTheOwnerForTheSignInWindow)
{
    auto panel = makePanel();
    auto owner = std::make_shared<searchfiltertest::RecordingSearchOwner>();
    panel->setDelegate(owner);
    searchfiltertest::typeText(panel->customStrTF(), "DejaVu");
    QTest::keyClick(panel->customStrTF(), Qt::Key_Return);
    services_->answer(0, "1002,1006");
    fontlisttest::settle(*panel);
    ASSERT_EQ(panel->fontModel()->rowCount(), 2);
    QTest::mouseClick(panel->listTableView()->viewport(), Qt::LeftButton, {}, rowRect(*panel, 1).topLeft() + QPoint(420, 70));
    EXPECT_EQ(owner->signInRequests, 1);
    EXPECT_EQ(panel->selectedRow(), -1) << "nothing selected, nothing started";
    panel->collectionBtnClick(panel->fontModel()->recordAt(0));
    EXPECT_EQ(owner->signInRequests, 2);
    EXPECT_EQ(services_->requests.size(), 1u) << "a click on a font row searches nothing";
}

TEST_F(KXHomeSearchViewTest, TheFolderDialogsReportRedrawsItsFontWhereverTheResultsPutIt)
{
    // The add-to-folder dialog stands in: it keeps the row and the delegate the panel hands it.
    struct GroupAddStandIn {
        long row = -1;
        std::weak_ptr<KXFontGroupAddViewDelegate> delegate;
        GroupAddStandIn()
        {
            KXHomeListOverlays::registerOverlay(KXHomeListOverlays::FontGroupAddView{
                [](const QObject*) { return false; },
                [this](const auto&, long opened, std::weak_ptr<KXFontGroupAddViewDelegate> owner) {
                    row = opened;
                    delegate = std::move(owner);
                    return new QWidget;
                }});
        }
        ~GroupAddStandIn() { KXHomeListOverlays::unregisterOverlay(KXHomeListOverlays::Kind::FontGroupAddView); }
    } dialog;
    foundation::UserDefaults::standardUserDefaults().setObject(Id("token-of-a-test"), "token");

    auto panel = makePanel();
    const auto searchAnswered = [&](const QString& text, const std::string& fids) {
        panel->customStrTF()->clear();
        searchfiltertest::typeText(panel->customStrTF(), text);
        QTest::keyClick(panel->customStrTF(), Qt::Key_Return);
        services_->answer(services_->requests.size() - 1, fids);
        fontlisttest::settle(*panel);
    };
    searchAnswered("Mono", "1014,1011,1002");
    panel->collectionBtnClick(panel->fontModel()->recordAt(1));
    ASSERT_EQ(dialog.row, 1);
    ASSERT_TRUE(dialog.delegate.lock());
    std::vector<int> redrawn;
    QObject::connect(panel->fontModel(), &QAbstractItemModel::dataChanged, panel.get(),
                     [&](const QModelIndex& top, const QModelIndex& bottom) {
                         for (int row = top.row(); row <= bottom.row(); ++row)
                             redrawn.push_back(row);
                     });

    // A new search moved the font to row 0 and put another one at row 1.
    searchAnswered("DejaVu", "1011,1002");
    dialog.delegate.lock()->refreshowCell(1);
    EXPECT_EQ(redrawn, std::vector<int>{0}) << "the font the dialog was opened for, not whatever row 1 holds";
    redrawn.clear();
    dialog.delegate.lock()->refreshowCell(0);
    EXPECT_TRUE(redrawn.empty()) << "no dialog was opened with row 0";

    searchAnswered("Sans", "1002");
    dialog.delegate.lock()->refreshowCell(1);
    EXPECT_TRUE(redrawn.empty()) << "the font is no longer among the results";

    // Suggestions replaced the results: the font rows left, although the model still holds them.
    searchAnswered("DejaVu", "1011");
    panel->customStrTF()->clear();
    typeInto(*panel, "Mono");
    ASSERT_FALSE(panel->state().resultMode());
    ASSERT_EQ(panel->fontModel()->rowOfFontid(1011), 0);
    dialog.delegate.lock()->refreshowCell(1);
    EXPECT_TRUE(redrawn.empty());
    foundation::UserDefaults::standardUserDefaults().removeObjectForKey("token");
}

TEST_F(KXHomeSearchViewTest, TheListOpensThePanelThroughItsRegistryAndRemovesItOnATabChange)
{
    registerSearchFilterOverlays();
    KXHomeListView list(QRect(0, 0, 900, 700));
    list.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&list));
    list.searchingClick();
    auto* panel = qobject_cast<KXHomeSearchView*>(KXHomeListOverlays::topSubview(&list));
    ASSERT_TRUE(panel);
    EXPECT_TRUE(KXHomeListOverlays::isKind(KXHomeListOverlays::Kind::HomeSearchView, panel));
    fontlisttest::settle(list);
    EXPECT_EQ(panel->geometry(), list.rect()) << "edge to edge";
    list.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&list));
    EXPECT_EQ(QApplication::focusWidget(), panel->customStrTF()) << "what the user types next goes into the field";
    list.setTabTypeNum(KXHomeListView::ModeLocal);
    EXPECT_FALSE(qobject_cast<KXHomeSearchView*>(KXHomeListOverlays::topSubview(&list)));
}

TEST_F(KXHomeSearchViewTest, TheFieldHasTheKeysWhileThePanelIsOpenAndTheListAfterIt)
{
    registerSearchFilterOverlays();
    KXHomeListView list(QRect(0, 0, 900, 700));
    list.show();
    list.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&list));
    list.setTabTypeNum(KXHomeListView::ModeCloud);
    fontlisttest::settle(list);
    ASSERT_TRUE(fontlisttest::keysScrollTheList(list));
    QTest::mouseClick(list.searchBtn(), Qt::LeftButton);
    QPointer<KXHomeSearchView> panel = qobject_cast<KXHomeSearchView*>(KXHomeListOverlays::topSubview(&list));
    ASSERT_TRUE(panel);
    fontlisttest::settle(list);
    EXPECT_EQ(QApplication::focusWidget(), panel->customStrTF());
    QTest::mouseClick(panel->customStrTF(), Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(QApplication::focusWidget(), panel->customStrTF());
    QTest::mouseClick(panel->cancelBtn(), Qt::LeftButton);
    ASSERT_TRUE(!panel || !panel->isVisible());
    EXPECT_TRUE(fontlisttest::keysScrollTheList(list));
}

TEST_F(KXHomeSearchViewTest, TextRowsLeaveTheKeysInTheFieldAndClickedFontRowsTakeThem)
{
    auto panel = makePanel({"黑体", "Mono"});
    panel->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(panel.get()));
    panel->setFocus();
    ASSERT_EQ(QApplication::focusWidget(), panel->customStrTF());
    auto* table = panel->listTableView();
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, rowRect(*panel, 1).center());
    ASSERT_EQ(services_->requests.size(), 1u);
    EXPECT_EQ(QApplication::focusWidget(), panel->customStrTF()) << "a history row belongs to the field";

    services_->answer(0, "1001,1002,1003,1004,1005,1006,1007,1008,1009,1010,1011,1012,1013,1014,1015,1016");
    fontlisttest::settle(*panel);
    auto* bar = table->verticalScrollBar();
    ASSERT_GT(bar->maximum(), 0);
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, rowRect(*panel, 0).center());
    ASSERT_EQ(QApplication::focusWidget(), table);
    auto press = [](Qt::Key key) { QTest::keyClick(QApplication::focusWidget(), key); };
    press(Qt::Key_PageDown);
    EXPECT_GT(bar->value(), 0);
    press(Qt::Key_End);
    EXPECT_EQ(bar->value(), bar->maximum());
    press(Qt::Key_Home);
    EXPECT_EQ(bar->value(), 0);
}

TEST_F(KXHomeSearchViewTest, FontRowsShowAsFoundAndTheRestComesBelowWithoutANoResultNotice)
{
    auto panel = makePanel();
    typeInto(*panel, "Sans");
    // The first walk ends at once: Return shows font rows, none yet, and no notice.
    services_->manager().setFirstRowsSteps(1);
    QTest::keyClick(panel->customStrTF(), Qt::Key_Return);
    services_->answer(0, "1014,1011,1003");
    EXPECT_EQ(panel->listTableView()->model(), panel->fontModel());
    EXPECT_EQ(panel->fontModel()->rowCount(), 0);
    EXPECT_TRUE(!panel->noDataView() || !panel->noDataView()->isVisible());
    EXPECT_EQ(panel->topicLabel()->text(), QString::fromUtf8("搜索字体"));
    ASSERT_TRUE(dispatch::RunLoop::runUntil([&] { return panel->fontModel()->rowCount() == 3; }, 10));
    EXPECT_EQ(panel->fontModel()->recordAt(0)->fontid, 1014);
    EXPECT_EQ(panel->fontModel()->recordAt(2)->fontid, 1003);
    EXPECT_TRUE(!panel->noDataView() || !panel->noDataView()->isVisible());

    // The recommended fonts in parts: the first rows, scrolled; the rest below, the rows in view
    // staying where they are.
    services_->manager().setFirstRowsSteps(KXBaseDBManager::kFirstRowsSteps);
    panel->state().setFirstRows(12);
    QTest::keyClick(panel->customStrTF(), Qt::Key_Return);
    services_->answer(1, "");
    panel->listTableView()->doItemsLayout();
    ASSERT_EQ(panel->fontModel()->rowCount(), 12);
    ASSERT_TRUE(panel->state().isReadingRows());
    const auto firstShown = panel->fontModel()->recordAt(0);
    QScrollBar* bar = panel->listTableView()->verticalScrollBar();
    bar->setValue(bar->maximum());
    const int scrolled = bar->value();
    ASSERT_GT(scrolled, 0);
    ASSERT_TRUE(dispatch::RunLoop::runUntil([&] { return !panel->state().isReadingRows(); }, 10));
    fontlisttest::settle(*panel);
    EXPECT_GT(panel->fontModel()->rowCount(), 30);
    EXPECT_EQ(static_cast<std::size_t>(panel->fontModel()->rowCount()), panel->state().rowCount())
        << "each row once";
    EXPECT_EQ(panel->fontModel()->recordAt(0), firstShown);
    EXPECT_EQ(bar->value(), scrolled);
    EXPECT_EQ(panel->fontModel()->rowOfFontid(panel->state().recordAt(30)->fontid), 30)
        << "the model knows the rows appended";
}
