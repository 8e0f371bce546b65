#include "Class/ServiceCore/Catalogue/KXFontBaseModel.h"
#include "Class/ServiceCore/Fonts/KXFontNameRecord.h"
#include "Lib/ModelMapping/MMKeyValue.h"
#include "Platform/Foundation/Foundation.h"

#include <gtest/gtest.h>

using foundation::Id;

TEST(KXFontBaseModel, RepliesAndNameRecordsConvertByKey)
{
    auto reply = foundation::Array::create(
        {Id(foundation::Dictionary::create({{Id("fontid"), Id("101")}, {Id("fontname"), Id("思源黑体")},
                                            {Id("is_sell"), Id(-1)}, {Id("download_url"), Id("https://h/f.zip")},
                                            {Id("tags"), Id(",3,5,")}, {Id("unknown"), Id(1)}})),
         Id(kxfontname::makeRecord(foundation::String::create("DejaVu Sans"), foundation::String::create("Bold"),
                                   foundation::String::create("DejaVuSans-Bold"),
                                   foundation::String::create("/fonts/DejaVuSans-Bold.ttf")))});
    auto fonts = mm::mm_objectsOfClass<KXFontBaseModel>(
        mm::mm_objectArrayWithKeyValuesArray(KXFontBaseModel::classObject(), reply));
    ASSERT_EQ(fonts.size(), 2u);
    EXPECT_EQ(fonts[0]->fontid, 101);
    EXPECT_EQ(fonts[0]->fontname->utf8(), "思源黑体");
    EXPECT_EQ(fonts[0]->is_sell, -1);
    EXPECT_EQ(fonts[0]->tags->utf8(), ",3,5,");
    EXPECT_EQ(fonts[1]->fName->utf8(), "DejaVu Sans");
    EXPECT_EQ(fonts[1]->fontname->utf8(), "DejaVu Sans");
    EXPECT_EQ(fonts[1]->sName->utf8(), "Bold");
    EXPECT_EQ(fonts[1]->pName->utf8(), "DejaVuSans-Bold");
    EXPECT_EQ(fonts[1]->ttfPath->utf8(), "/fonts/DejaVuSans-Bold.ttf");
    EXPECT_EQ(fonts[1]->fontid, 0) << "catalogue fields keep their zero values";
    EXPECT_EQ(fonts[1]->image, nullptr);

    auto tags = mm::mm_objectsOfClass<KXHomeListFilterModel>(mm::mm_objectArrayWithKeyValuesArray(
        KXHomeListFilterModel::classObject(),
        Id("[{\"tagname\":\"黑体\",\"tagid\":\"12\"},{\"tagname\":\"宋体\",\"tagid\":\"13\"}]")));
    ASSERT_EQ(tags.size(), 2u);
    EXPECT_EQ(tags[1]->tagid->utf8(), "13");
}

TEST(KXFontNameRecord, StopsAtTheFirstMissingValue)
{
    auto record = kxfontname::makeRecord(foundation::String::create("Family"), nullptr,
                                         foundation::String::create("PS"), foundation::String::create("/p"));
    EXPECT_EQ(record->allKeys()->componentsJoinedByString(","), "fName,fontname");
    auto full = kxfontname::makeRecord(foundation::String::create("F"), foundation::String::create("S"),
                                       foundation::String::create("P"), foundation::String::create("/x"));
    EXPECT_EQ(full->allKeys()->componentsJoinedByString(","), "fName,fontname,sName,pName,ttfPath");
}
