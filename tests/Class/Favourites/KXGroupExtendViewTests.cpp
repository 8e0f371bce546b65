// The side-bar list: its two origins, rows whose buttons show only under the pointer, and what it
// forwards.
#include "Class/Favourites/KXGroupExtendView.h"

#include "Class/Favourites/KXGroupExtendCell.h"
#include "Class/Favourites/KXRecordList.h"
#include "Class/UIKit/KXBaseButton.h"
#include "FavouritesTestSupport.h"
#include "Platform/Foundation/Foundation.h"

#include <QApplication>
#include <QLabel>
#include <QTest>

using foundation::Id;

namespace {

class Recorder final : public KXGroupExtendViewDelegate {
public:
    void KXGroupExtendBtnClik(const Id& record, bool first) override { buttons.emplace_back(record["collect_name"].stringValue(), first); }
    void KXGroupExtendCellClik(const Id& record, const QString& from) override { rows.emplace_back(record["collect_name"].stringValue(), from); }
    void KXGroupExtendBottomBtnClikFrom(const QString& from) override { bottoms.push_back(from); }
    std::vector<std::pair<std::string, bool>> buttons;
    std::vector<std::pair<std::string, QString>> rows;
    std::vector<QString> bottoms;
};

foundation::Ref<foundation::Array> records(std::initializer_list<const char*> names)
{
    std::vector<Id> list;
    int id = 1;
    for (const char* name : names)
        list.push_back(Id(foundation::Dictionary::create({{Id("id"), Id(id++)}, {Id("collect_name"), Id(name)}})));
    return foundation::Array::create(std::move(list));
}

class KXGroupExtendViewTest : public favouritestest::FavouritesTest {
protected:
    KXGroupExtendView* open(const char* from, std::initializer_list<const char*> names)
    {
        auto* view = new KXGroupExtendView(&host());
        view->setFrom(QString::fromUtf8(from));
        view->setDataA(records(names));
        view->setDelegate(recorder_);
        view->setGeometry(100, 40, 180, view->fittingHeight());
        view->show();
        settle(host());
        return view;
    }
    static QRect row(KXGroupExtendView* view, int index)
    {
        return view->tableView()->rowRect(view->tableView()->model()->index(index, 0));
    }
    std::shared_ptr<Recorder> recorder_ = std::make_shared<Recorder>();
};

} // namespace

TEST_F(KXGroupExtendViewTest, TheOriginChoosesTitleAndBottomImage)
{
    auto* own = open("fontManage", {"喜欢的字体"});
    EXPECT_EQ(own->groupExtendViewTitle()->text(), QStringLiteral("我的字体管理"));
    EXPECT_TRUE(!own->extendBtn()->image().isNull() && own->extendBtn()->image().image() == KXImage::imageNamed("fontManagerNewG").image());
    EXPECT_STREQ(own->cell()->firstImageName(), "fontManagerEdit");
    auto* followed = open("myfocus", {"编辑推荐"});
    EXPECT_EQ(followed->groupExtendViewTitle()->text(), QStringLiteral("关注的合集"));
    EXPECT_TRUE(!followed->extendBtn()->image().isNull() && followed->extendBtn()->image().image() == KXImage::imageNamed("MyFocusToFound").image());
    EXPECT_STREQ(followed->cell()->secondImageName(), "focusDetail");
    followed->extendBtn()->click();
    EXPECT_EQ(recorder_->bottoms, std::vector<QString>{QStringLiteral("myfocus")});
}

TEST_F(KXGroupExtendViewTest, TheFirstButtonReportsNoTheSecondYes)
{
    auto* view = open("fontManage", {"喜欢的字体", "标题字体"});
    auto* viewport = view->tableView()->viewport();
    favouritestest::clickViewport(viewport, KXGroupExtendCell::firstButtonRect(row(view, 1)).center());
    favouritestest::clickViewport(viewport, KXGroupExtendCell::secondButtonRect(row(view, 1)).center());
    EXPECT_EQ(recorder_->buttons, (std::vector<std::pair<std::string, bool>>{{"标题字体", false}, {"标题字体", true}}));
    EXPECT_TRUE(recorder_->rows.empty());
    EXPECT_TRUE(view->isVisible()) << "a button does not hide the list";
}

TEST_F(KXGroupExtendViewTest, ButtonsExistOnlyUnderThePointer)
{
    auto* view = open("myfocus", {"编辑推荐", "界面设计常用"});
    auto* list = view->tableView();
    favouritestest::hoverAt(list->viewport(), row(view, 0).center());
    EXPECT_EQ(list->hoveredIndex().row(), 0);
    const QImage hovered = list->viewport()->grab().toImage();
    EXPECT_EQ(hovered.pixelColor(row(view, 0).left() + 4, row(view, 0).center().y()), QColor(223, 223, 223));
    EXPECT_EQ(hovered.pixelColor(row(view, 1).left() + 4, row(view, 1).center().y()), QColor(Qt::white));
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(list->viewport(), &leave);
    EXPECT_FALSE(list->hoveredIndex().isValid());
    EXPECT_EQ(list->viewport()->grab().toImage().pixelColor(row(view, 0).left() + 4, row(view, 0).center().y()), QColor(Qt::white));

    // A click where the second button would be, without the pointer resting there first, is a row click.
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, KXGroupExtendCell::secondButtonRect(row(view, 1)).center());
    EXPECT_TRUE(recorder_->buttons.empty());
    ASSERT_EQ(recorder_->rows.size(), 1u);
    EXPECT_EQ(recorder_->rows[0], (std::pair<std::string, QString>{"界面设计常用", QStringLiteral("myfocus")}));
    EXPECT_FALSE(view->isVisible()) << "a row click hides the list";
}

TEST_F(KXGroupExtendViewTest, AnEmptyListSendsNothing)
{
    auto* view = open("fontManage", {});
    EXPECT_EQ(view->tableView()->model()->rowCount(), 0);
    QTest::mouseClick(view->tableView()->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(20, 10));
    view->tableviewCellClick(0);
    EXPECT_TRUE(recorder_->rows.empty());
    EXPECT_TRUE(view->isVisible());
}

TEST_F(KXGroupExtendViewTest, Screenshots)
{
    auto* own = open("fontManage", {"喜欢的字体", "标题字体", "正文精选"});
    favouritestest::hoverAt(own->tableView()->viewport(), row(own, 1).center());
    EXPECT_TRUE(favouritestest::saveScreenshots(*own, QStringLiteral("favourites-side-folders")));
    own->hide();
    auto* followed = open("myfocus", {"编辑推荐：中文黑体", "界面设计常用"});
    favouritestest::hoverAt(followed->tableView()->viewport(), row(followed, 0).center());
    EXPECT_TRUE(favouritestest::saveScreenshots(*followed, QStringLiteral("favourites-side-followed")));
}
