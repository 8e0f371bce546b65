#include "Class/Home/KXHomeGroupModel.h"

#include "Platform/Foundation/Foundation.h"
#include "Support/ShownToolTip.h"

#include <gtest/gtest.h>

using foundation::Id;

TEST(KXHomeGroupModel, AFolderNameShowsAsWrittenInTheRowAndItsTooltip)
{
    const QString name = R"(<span style="font-size:60px">大</span><img src="file:///usr/share/pixmaps/x.png">)";
    auto rows = foundation::MutableArray::create();
    rows->addObject(Id(foundation::Dictionary::create({{Id("id"), Id(7)}, {Id("collect_name"), Id(name.toStdString())}})));
    rows->addObject(Id(foundation::Dictionary::create({{Id("id"), Id(8)}, {Id("collect_name"), Id("默认分组")}})));
    KXHomeGroupModel model;
    model.setRows(rows);

    const QModelIndex marked = model.index(0);
    EXPECT_EQ(marked.data(Qt::DisplayRole).toString(), name);
    EXPECT_EQ(shownToolTipText(marked.data(Qt::ToolTipRole).toString()).toStdString(), name.toStdString());
    EXPECT_EQ(shownToolTipText(model.index(1).data(Qt::ToolTipRole).toString()), QStringLiteral("默认分组"));
}
