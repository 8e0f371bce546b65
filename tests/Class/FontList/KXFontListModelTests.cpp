#include "Class/FontList/KXFontListModel.h"
#include "FontListTestSupport.h"
#include "Platform/Foundation/Foundation.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <gtest/gtest.h>

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
