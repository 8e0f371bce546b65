// The custom preview text and the detail panel of the list against the local service: the
// rendering request for the rows around the first visible one, its reply applied to those rows,
// scroll ends, the local tab, older replies, a title click, and the keys that both panels give
// back to the list.
#include "Class/FontList/KXFontDetailView.h"
#include "Class/FontList/KXFontListModel.h"
#include "Class/FontList/KXFontTableView.h"
#include "Class/FontList/KXHomeEditStrView.h"
#include "Class/FontList/KXHomeListView.h"
#include "Class/FontList/KXPreviewLoads.h"
#include "Class/FontList/KXWebPreviewSource.h"
#include "Class/ImageViews/ILViewWebCache.h"
#include "Class/ImageViews/ImageView.h"
#include "Class/ServiceCore/Catalogue/KXBaseDBManager.h"
#include "Class/ServiceCore/Transport/TransportTestSupport.h"
#include "Class/UIKit/KXBaseButton.h"
#include "FontListTestSupport.h"
#include "Platform/Dispatch/RunLoop.h"
#include "Platform/Foundation/Foundation.h"
#include "Platform/Storage/UserDefaults.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>
#include <gtest/gtest.h>

using foundation::Id;

namespace {

class KXHomeListViewCustomTextTest : public transporttest::TransportTest {
protected:
    void SetUp() override
    {
        TransportTest::SetUp();
        // The shared catalogue reads this service as the base of its URLs.
        KXBaseDBManager::shareDBManager();
        list = std::make_unique<KXHomeListView>(QRect(0, 0, 900, 700));
        list->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(list.get()));
        list->setTabTypeNum(KXHomeListView::ModeCloud);
        fontlisttest::settle(*list);
        service().requestLog().clear();
    }
    void TearDown() override
    {
        list.reset();
        KXHomeListView::setCustomTextActive(false);
        TransportTest::TearDown();
    }

    std::vector<localservice::LoggedRequest> renderRequests() const
    {
        return service().requestLog().withTag("127");
    }
    KXFontListModel& model() const { return *list->listModel(); }
    std::pair<int, int> visible() const { return list->listTableView()->visibleRows(); }
    static std::string ids(const KXFontListModel& rows, int start, int count)
    {
        std::string text;
        for (int row = start; row < start + count; ++row)
            text += (text.empty() ? "" : ",") + std::to_string(rows.recordAt(row)->fontid);
        return text;
    }
    // Whether every visible row shows a render of `text` (percent-encoded as the service writes it);
    // false when no row is in view (an empty table answers (-1, -1)).
    bool visibleRowsShow(const std::string& encoded) const
    {
        const auto [first, last] = visible();
        if (first < 0)
            return false;
        for (int row = first; row <= last; ++row) {
            const auto record = model().recordAt(row);
            if (!record) {
                ADD_FAILURE() << "row " << row << " is in view but has no record";
                return false;
            }
            const std::string url = list->rowView()->previewURL(*record);
            const std::string expected
                = "files/render/" + std::to_string(record->fontid) + "/day.png?text=" + encoded;
            if (url.find(expected) == std::string::npos)
                return false;
        }
        return first >= 0;
    }
    void scrollTo(int value)
    {
        auto* bar = list->listTableView()->verticalScrollBar();
        emit bar->sliderPressed();
        bar->setValue(value);
        emit bar->sliderReleased();
        fontlisttest::settle(*list);
    }

    fontlisttest::ScopedPreviewSource previews;
    std::unique_ptr<KXHomeListView> list;
};

} // namespace

TEST_F(KXHomeListViewCustomTextTest, AConfirmedTextAsksForTheSliceAndItsRowsShowTheRenders)
{
    const int rows = model().rowCount();
    ASSERT_GT(rows, 10) << "the sample catalogue";
    const std::string before = list->rowView()->previewURL(*model().recordAt(rows - 1));
    list->confirmBtnClickWithString(foundation::String::create("春眠"));
    EXPECT_TRUE(KXHomeListView::isCustomTextActive());
    ASSERT_TRUE(waitFor([&] { return visibleRowsShow("%E6%98%A5%E7%9C%A0"); }));
    const auto sent = renderRequests();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(*sent[0].param("str"), "春眠");
    EXPECT_EQ(*sent[0].param("fids"), ids(model(), 0, std::min(rows, 100)))
        << "the first 100 rows, from row 0";
    if (rows > 100) {
        EXPECT_EQ(list->rowView()->previewURL(*model().recordAt(rows - 1)), before)
            << "rows outside the slice keep theirs";
    }
    EXPECT_EQ(model().recordAt(0)->isnew_imgage->utf8(), "");
}

TEST_F(KXHomeListViewCustomTextTest, AScrollEndOnTheCloudTabAsksForTheRowsNowInView)
{
    // More rows than the sample catalogue holds, still on the cloud tab.
    list->setDataArray(fontlisttest::records(320));
    list->confirmBtnClickWithString(foundation::String::create("Hi"));
    ASSERT_TRUE(waitFor([&] { return renderRequests().size() == 1; }));
    scrollTo(list->listTableView()->verticalScrollBar()->maximum());
    ASSERT_TRUE(waitFor([&] { return renderRequests().size() == 2; }));
    const int first = visible().first;
    ASSERT_GT(first, 40);
    const auto slice = KXCustomText::sliceAround(first, model().rowCount());
    EXPECT_EQ(slice.start, first - 40);
    EXPECT_EQ(slice.count, 320 - slice.start);
    EXPECT_EQ(*renderRequests()[1].param("fids"), ids(model(), slice.start, slice.count));

    // Without a custom text, a scroll end asks for nothing.
    list->setTabTypeNum(KXHomeListView::ModeCloud);
    ASSERT_TRUE(waitForQuietTraffic());
    const std::size_t started = tasksStarted();
    scrollTo(0);
    ASSERT_TRUE(waitForQuietTraffic());
    EXPECT_EQ(tasksStarted(), started);
    EXPECT_EQ(renderRequests().size(), 2u);
}

TEST_F(KXHomeListViewCustomTextTest, AnEmptyTextBringsBackTheDefaultCatalogue)
{
    ASSERT_GE(visible().first, 0) << "no row is in view: the default catalogue did not load";
    list->confirmBtnClickWithString(foundation::String::create("x"));
    ASSERT_TRUE(waitFor([&] { return visibleRowsShow("x"); }));
    foundation::UserDefaults::standardUserDefaults().setObject(Id("热度排序"), "sortingSelected");
    list->confirmBtnClickWithString(foundation::String::create(""));
    EXPECT_FALSE(KXHomeListView::isCustomTextActive());
    EXPECT_EQ(list->tabTypeNum(), KXHomeListView::ModeCloud);
    EXPECT_EQ(
        foundation::UserDefaults::standardUserDefaults().stringForKey("sortingSelected")->utf8(), "默认排序");
    ASSERT_GE(visible().first, 0) << "no row is in view: the default catalogue did not come back";
    EXPECT_FALSE(visibleRowsShow("x")) << "the rows were read from the catalogue again";
    ASSERT_TRUE(waitForQuietTraffic());
    EXPECT_EQ(renderRequests().size(), 1u);
}

TEST_F(KXHomeListViewCustomTextTest, TheLocalTabDrawsTheTextItselfAndAsksForNothing)
{
    list->setTabTypeNum(KXHomeListView::ModeLocal);
    list->setDataArray(fontlisttest::records(5));
    ASSERT_TRUE(waitForQuietTraffic());
    const std::size_t started = tasksStarted();
    list->confirmBtnClickWithString(foundation::String::create("自定义"));
    for (int row = 0; row < 5; ++row)
        EXPECT_EQ(model().recordAt(row)->localTitle->utf8(), "自定义");
    scrollTo(0);
    ASSERT_TRUE(waitForQuietTraffic());
    EXPECT_EQ(tasksStarted(), started);
    EXPECT_TRUE(renderRequests().empty());
}

TEST_F(KXHomeListViewCustomTextTest, AnOlderReplyArrivingLateChangesNothing)
{
    holdNextReply("getFontsImg");
    list->confirmBtnClickWithString(foundation::String::create("old"));
    ASSERT_TRUE(waitForHeldReplies());
    list->confirmBtnClickWithString(foundation::String::create("new"));
    ASSERT_TRUE(waitFor([&] { return visibleRowsShow("new"); }));
    // The first reply lands after the second.
    ASSERT_EQ(renderRequests().size(), 2u);
    ASSERT_TRUE(releaseHeldReplies());
    ASSERT_TRUE(waitForQuietTraffic()) << "the late reply was handled";
    EXPECT_TRUE(visibleRowsShow("new"));
}

TEST_F(KXHomeListViewCustomTextTest, ATitleClickShowsTheFontsDetailsAtTheRight)
{
    const auto record = model().recordAt(2);
    list->fontTitleClick(record->fontid);
    ASSERT_TRUE(waitFor([&] { return list->detailView() != nullptr; }));
    fontlisttest::settle(*list);
    EXPECT_EQ(list->detailView()->geometry(), QRect(900 - 310, 0, 310, 700));
    EXPECT_EQ(
        list->detailView()->infoDic()->objectForKey("font_name").stringValue(), record->fontname->utf8());

    setFault("getInfo", localservice::Fault::Kind::ErrorCode, 1, "字体不存在");
    QPointer<KXFontDetailView> first = list->detailView();
    list->fontTitleClick(record->fontid);
    ASSERT_TRUE(waitFor([] { return service().requestLog().withTag("163").size() == 2; }));
    ASSERT_TRUE(waitForQuietTraffic());
    EXPECT_EQ(list->detailView(), first) << "an errcode shows no panel";
    EXPECT_EQ(list->findChildren<KXFontDetailView*>().size(), 1);
}

TEST_F(KXHomeListViewCustomTextTest, TheEditorAndTheDetailPanelLeaveTheKeysOnTheListWhenTheyGo)
{
    list->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(list.get()));
    list->setTabTypeNum(KXHomeListView::ModeCloud);
    ASSERT_TRUE(fontlisttest::keysScrollTheList(*list));

    // The editor's field has the keys from the start and keeps them through a click in it.
    QTest::mouseClick(list->editStrBtn(), Qt::LeftButton);
    QPointer<KXHomeEditStrView> editor = list->findChild<KXHomeEditStrView*>();
    ASSERT_TRUE(editor);
    fontlisttest::settle(*list);
    EXPECT_EQ(QApplication::focusWidget(), editor->textView());
    QTest::mouseClick(editor->textView(), Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(QApplication::focusWidget(), editor->textView());
    QTest::keyClicks(QApplication::focusWidget(), "Aa");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    ASSERT_TRUE(!editor || !editor->parentWidget()) << "Return hands the text over and closes";
    EXPECT_TRUE(fontlisttest::keysScrollTheList(*list)) << "after the editor";

    // A click in the detail panel gives its scroller the keys; 返回 gives them back.
    list->fontTitleClick(model().recordAt(2)->fontid);
    ASSERT_TRUE(waitFor([&] { return list->detailView() != nullptr; }));
    fontlisttest::settle(*list);
    KXFontDetailView* panel = list->detailView();
    QTest::mouseClick(panel->scrollView()->viewport(), Qt::LeftButton, {}, QPoint(150, 200));
    ASSERT_TRUE(panel->isAncestorOf(QApplication::focusWidget())) << "the click took the keys into the panel";
    panel->backBtnClick();
    EXPECT_TRUE(fontlisttest::keysScrollTheList(*list)) << "after the detail panel";
}

class CustomTextScreenshot : public transporttest::TransportTest,
                             public testing::WithParamInterface<bool> { };

TEST_P(CustomTextScreenshot, RowsShowTheTextInTheirFonts)
{
    KXBaseDBManager::shareDBManager();
    const auto previous = KXPreviewImageSource::install(std::make_shared<KXWebPreviewSource>());
    {
        KXHomeListView list(QRect(0, 0, 900, 640));
        list.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&list));
        list.setTabTypeNum(KXHomeListView::ModeCloud);
        if (!GetParam())
            list.themeClick();
        list.confirmBtnClickWithString(foundation::String::create("永字八法 Aa"));
        auto* table = list.listTableView();
        ASSERT_TRUE(waitFor([&] {
            fontlisttest::settle(list);
            const auto record = list.listModel()->recordAt(0);
            const std::string url = list.rowView()->previewURL(*record);
            // A paint asks for the render; under load its reply may come a settle later.
            return url.find("render") != std::string::npos && table->previews().loadsInFlight() == 0
                && table->previews().imageForURL(url);
        }));
        fontlisttest::settle(list);
        const auto record = list.listModel()->recordAt(0);
        EXPECT_TRUE(table->previews().imageForURL(list.rowView()->previewURL(*record)))
            << "the render arrived";
        EXPECT_TRUE(fontlisttest::saveScreenshot(
            list, QString("fontlist-custom-text-") + (GetParam() ? "day" : "night")));

        list.fontTitleClick(record->fontid);
        ASSERT_TRUE(waitFor([&] { return list.detailView() != nullptr; }));
        waitFor([&] {
            fontlisttest::settle(list);
            return service().requestLog().fileEntries().size() >= 8 && table->previews().loadsInFlight() == 0;
        });
        // Every image of the panel has come in (or failed).
        ASSERT_TRUE(waitFor([&] {
            for (auto* view : list.detailView()->documentView()->findChildren<ImageView*>())
                if (il_imageLoadOperationForKey(view, il_latestOperationKey(view)))
                    return false;
            return true;
        }));
        dispatch::RunLoop::drain();
        fontlisttest::settle(list);
        EXPECT_TRUE(
            fontlisttest::saveScreenshot(list, QString("fontlist-detail-") + (GetParam() ? "day" : "night")));
        auto* scroll = list.detailView()->scrollView();
        for (auto* header : list.detailView()->documentView()->findChildren<QLabel*>())
            if (header->text() == QString::fromUtf8("常用标点、西文字符"))
                scroll->verticalScrollBar()->setValue(header->geometry().top() - 40);
        fontlisttest::settle(list);
        EXPECT_TRUE(fontlisttest::saveScreenshot(*list.detailView(), QString("fontlist-detail-middle-") + (GetParam() ? "day" : "night")));
        scroll->verticalScrollBar()->setValue(scroll->verticalScrollBar()->maximum());
        fontlisttest::settle(list);
        EXPECT_TRUE(fontlisttest::saveScreenshot(
            *list.detailView(), QString("fontlist-detail-end-") + (GetParam() ? "day" : "night")));
        list.setCustomStr(nullptr);
    }
    KXHomeListView::setCustomTextActive(false);
    KXPreviewImageSource::install(previous);
}

INSTANTIATE_TEST_SUITE_P(Palettes, CustomTextScreenshot, testing::Values(true, false),
    [](const testing::TestParamInfo<bool>& param) { return param.param ? "Day" : "Night"; });
