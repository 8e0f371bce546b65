#include "Class/ServiceCore/Catalogue/KXFontBaseModel.h"
#include "Platform/Foundation/Foundation.h"

#include <gtest/gtest.h>

TEST(KXFontBaseModel, RegistersEveryPropertyWithThePlatformsTypes)
{
    const foundation::Class* cls = KXFontBaseModel::classObject();
    EXPECT_EQ(foundation::Class::named("KXFontBaseModel"), cls);
    ASSERT_EQ(cls->properties().size(), 34u);
    EXPECT_EQ(cls->properties().front().name, "download_url");
    auto attributes = [&](const char* name) { return cls->propertyNamed(name)->attributes; };
    EXPECT_EQ(attributes("fontid"), "Ti,N,V_fontid");
    EXPECT_EQ(attributes("is_sell"), "Tq,N,V_is_sell");
    EXPECT_EQ(attributes("cellType"), "TQ,N,V_cellType");
    EXPECT_EQ(attributes("is_3d"), "Tc,N,V_is_3d");
    EXPECT_EQ(attributes("progress"), "Td,N,V_progress");
    EXPECT_EQ(attributes("fontname"), "T@\"NSString\",&,N,V_fontname");
    EXPECT_EQ(attributes("progressBlock"), "T@?,C,N,V_progressBlock");
}
