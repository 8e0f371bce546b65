#include "Class/FontList/KXFontListModel.h"
#include "FontListTestSupport.h"
#include "Platform/Dispatch/Queue.h"
#include "Platform/Foundation/Foundation.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <gtest/gtest.h>

#include <chrono>
#include <future>

using foundation::Id;

TEST(KXFontListModel, ShowsTheListsOwnArrayAndFindsRecordsByIdentity)
{
    KXFontListModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Warning);
    auto rows = fontlisttest::records(5);
    model.setRecords(rows);
    ASSERT_EQ(model.rowCount(), 5);
    EXPECT_EQ(model.records(), rows) << "no copy";
    const auto third = model.recordAt(2);
    EXPECT_EQ(KXFontListModel::recordOfIndex(model.index(2)), third);
    EXPECT_EQ(model.data(model.index(2)).toString(), "Font 2");
    EXPECT_EQ(model.rowOfRecord(third.get()), 2);

    // An equal record that is another object is not the row's record.
    auto twin = fontlisttest::record(third->fontid, "Font 2");
    EXPECT_EQ(model.rowOfRecord(twin.get()), -1);

    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    model.reloadRecord(third);
    ASSERT_EQ(changed.size(), 1);
    EXPECT_EQ(changed[0][0].toModelIndex().row(), 2);
    model.reloadRecord(twin);
    EXPECT_EQ(changed.size(), 1) << "a record no row holds redraws nothing";

    // After a removal the rows below move up and are found there.
    model.removeRecordAt(0);
    EXPECT_EQ(rows->count(), 4u) << "the list's own array";
    EXPECT_EQ(model.rowOfRecord(third.get()), 1);
    model.reloadRecord(third);
    EXPECT_EQ(changed.back()[0].toModelIndex().row(), 1);

    // The array changed behind the model's back, then reset: found where it is now.
    rows->insertObject(Id(twin), 0);
    model.reset();
    EXPECT_EQ(model.rowOfRecord(third.get()), 2);
    EXPECT_EQ(model.rowOfRecord(twin.get()), 0);

    model.setRecords(nullptr);
    EXPECT_EQ(model.rowCount(), 0);
    EXPECT_EQ(model.rowOfRecord(third.get()), -1);
    EXPECT_FALSE(model.recordAt(0));
}

TEST(KXFontListModel, RecordsWithoutAnIdAreNeverFoundById)
{
    // The installed-fonts tab: the user's own fonts carry id 0 (or less), a catalogue font its id.
    KXFontListModel model;
    auto rows = foundation::MutableArray::create();
    for (const int fontid : {0, -1, 0, 1002})
        rows->addObject(Id(fontlisttest::record(fontid, "Font " + std::to_string(fontid))));
    model.setRecords(rows);
    EXPECT_EQ(model.rowOfFontid(0), -1);
    EXPECT_EQ(model.rowOfFontid(-1), -1);
    EXPECT_FALSE(model.recordOfFontid(0));
    EXPECT_EQ(model.rowOfFontid(1002), 3);
}

namespace {

// A record that tells on which thread it was freed.
class FreedRecord final : public KXFontBaseModel {
public:
    explicit FreedRecord(std::promise<bool>& freedOnMain)
        : freedOnMain_(freedOnMain)
    {
    }
    ~FreedRecord() override { freedOnMain_.set_value(dispatch::isMainThread()); }

private:
    std::promise<bool>& freedOnMain_;
};

} // namespace

TEST(KXFontListModel, ALongListLetGoIsFreedOffTheMainThread)
{
    KXFontListModel model;
    std::promise<bool> longFreedOnMain, shortFreedOnMain;
    auto longList = fontlisttest::records(static_cast<int>(KXFontListModel::kLongList));
    longList->addObject(Id(std::make_shared<FreedRecord>(longFreedOnMain)));
    model.setRecords(std::move(longList));
    model.setRecords(fontlisttest::records(3));
    auto freed = longFreedOnMain.get_future();
    ASSERT_EQ(freed.wait_for(std::chrono::seconds(30)), std::future_status::ready);
    EXPECT_FALSE(freed.get()) << "a reload does not wait for the old rows to be freed";

    // A short list is not worth a hand-over.
    auto shortList = fontlisttest::records(3);
    shortList->addObject(Id(std::make_shared<FreedRecord>(shortFreedOnMain)));
    model.setRecords(std::move(shortList));
    model.setRecords(nullptr);
    auto shortFreed = shortFreedOnMain.get_future();
    ASSERT_EQ(shortFreed.wait_for(std::chrono::seconds(0)), std::future_status::ready);
    EXPECT_TRUE(shortFreed.get());
}

TEST(KXFontListModel, RowsHeldBackAreNoRowsUntilShownBelowTheOthers)
{
    KXFontListModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Warning);
    auto rows = fontlisttest::records(6);
    const auto fifth = rows->objectAtIndex(4).as<KXFontBaseModel>();
    model.setRecords(rows, 3);
    EXPECT_EQ(model.records(), rows) << "no copy";
    ASSERT_EQ(model.rowCount(), 3);
    EXPECT_EQ(model.heldBackRows(), 3u);
    EXPECT_FALSE(model.recordAt(4)) << "neither counted nor found";
    EXPECT_EQ(model.rowOfRecord(fifth.get()), -1);
    EXPECT_EQ(model.rowOfFontid(fifth->fontid), -1);

    // A row shown removed: the held rows stay held, the array's last ones.
    model.removeRecordAt(0);
    EXPECT_EQ(model.rowCount(), 2);
    EXPECT_EQ(model.heldBackRows(), 3u);

    QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
    model.showHeldBackRows();
    ASSERT_EQ(inserted.size(), 1);
    EXPECT_EQ(inserted[0][1].toInt(), 2);
    EXPECT_EQ(inserted[0][2].toInt(), 4);
    EXPECT_EQ(model.rowCount(), 5);
    EXPECT_EQ(model.rowOfRecord(fifth.get()), 3);
    model.showHeldBackRows();
    EXPECT_EQ(inserted.size(), 1) << "nothing more to show";

    // Rows appended while some are held: the held ones come first, in the array's order.
    model.setRecords(fontlisttest::records(4), 1);
    const auto more = fontlisttest::records(2);
    model.appendRecords(*more);
    EXPECT_EQ(model.rowCount(), 6);
    EXPECT_EQ(model.heldBackRows(), 0u);
    EXPECT_EQ(model.recordAt(4), more->objectAtIndex(0).as<KXFontBaseModel>());

    // Fewer records than the rows shown at once, and new records: nothing held.
    model.setRecords(fontlisttest::records(2), 3);
    EXPECT_EQ(model.rowCount(), 2);
    EXPECT_EQ(model.heldBackRows(), 0u);
}
