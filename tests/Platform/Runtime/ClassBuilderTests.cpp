#include "Platform/Runtime/ClassBuilder.h"
#include "Platform/Runtime/PropertyAttributes.h"
#include "TestModels.h"

#include <gtest/gtest.h>
#include <vector>

using namespace runtimetests;

namespace {

std::vector<std::string> attributesOf(const Class* cls)
{
    std::vector<std::string> out;
    for (const auto& property : cls->properties())
        out.push_back(property.name + "=" + property.attributes);
    return out;
}

} // namespace

TEST(ClassBuilderAttributes, DeducedFromMemberTypesInDeclarationOrder)
{
    std::vector<std::string> expected = {
        "fontid=Tq,N,V_fontid",
        "downloads=Ti,N,V_downloads",
        "isD=Tc,N,V_isD",
        "score=Td,N,V_score",
        "size=TQ,N,V_size",
        "name=T@\"NSString\",C,N,V_name",
        "tags=T@\"NSArray\",&,N,V_tags",
        "parent=T@\"KXTestFont\",&,N,V_parent",
        "extra=T@,&,N,V_extra",
        "progressBlock=T@?,C,N,V_progressBlock",
        "title=T@\"NSString\",&,N,V_title",
        "enLanguage=Tc,N,GisEnLanguage,V_enLanguage",
        "version=Ti,R,N,V_version",
    };
    EXPECT_EQ(attributesOf(KXTestFont::classObject()), expected);
}

TEST(ClassBuilderAttributes, TypeEncodingIsTheTextAfterT)
{
    const auto* property = KXTestFont::classObject()->propertyNamed("name");
    ASSERT_NE(property, nullptr);
    EXPECT_EQ(property->typeEncoding, "@\"NSString\"");
    EXPECT_EQ(runtime::typeEncodingOf(property->attributes), property->typeEncoding);
    EXPECT_EQ(runtime::typeEncodingOf("T@?,C,N,V_progressBlock"), "@?");
    EXPECT_EQ(runtime::typeEncodingOf("Ti"), "i");
}

TEST(ClassBuilderAttributes, OneLetterAttributesSkipTheTypeItem)
{
    EXPECT_EQ(runtime::attributeValue("Tc,N,GisD,V_isD", 'G'), "isD");
    EXPECT_EQ(runtime::attributeValue("Tc,N,GisD,V_isD", 'V'), "_isD");
    EXPECT_TRUE(runtime::attributeValue("T@\"NSValue\",&,N,V_x", 'N')->empty());
    EXPECT_FALSE(runtime::hasAttribute("T@\"NSValue\",&,N,V_x", 'R'));
    EXPECT_FALSE(runtime::hasAttribute("TV,N,V_x", 'T'));
}

TEST(ClassBuilderAttributes, OptionsForAtomicReadonlyCopyAndIvar)
{
    runtime::PropertyOptions options { .readonly = true, .copy = true, .atomic = true, .ivar = "storage" };
    EXPECT_EQ(runtime::composeAttributes("@\"NSString\"", true, runtime::Ownership::Copy, options, "name"),
        "T@\"NSString\",R,C,Vstorage");
    EXPECT_EQ(runtime::composeAttributes("q", false, runtime::Ownership::Copy, {}, "count"), "Tq,N,V_count");
    EXPECT_EQ(runtime::composeAttributes("@\"KXFoo\"", true, runtime::Ownership::Weak, {}, "owner"),
        "T@\"KXFoo\",W,N,V_owner");
}

TEST(ClassBuilderRegistry, ClassIsFoundByNameWithItsSuperclassChain)
{
    const Class* child = KXTestFontChild::classObject();
    EXPECT_EQ(Class::named("KXTestFontChild"), child);
    EXPECT_EQ(child->superclass(), KXTestFont::classObject());
    EXPECT_EQ(child->superclass()->superclass(), Object::classObject());
    ASSERT_EQ(child->properties().size(), 1u);
    EXPECT_EQ(child->properties()[0].name, "childOnly");
    EXPECT_NE(child->propertyNamed("fontid"), nullptr);
}

TEST(ClassBuilderRegistry, FactoryMakesInstancesOfTheClass)
{
    Ref<Object> made = Class::named("KXTestFontChild")->createInstance();
    ASSERT_TRUE(made);
    EXPECT_TRUE(made->isMemberOfClass(KXTestFontChild::classObject()));
    EXPECT_TRUE(made->isKindOfClass(KXTestFont::classObject()));
}

TEST(ClassBuilderRegistry, RegisteringANameAgainAddsNoProperties)
{
    std::size_t before = KXTestFont::classObject()->properties().size();
    const Class* again
        = runtime::ClassBuilder<KXTestFont>("KXTestFont").property("fontid", &KXTestFont::fontid).build();
    EXPECT_EQ(again, KXTestFont::classObject());
    EXPECT_EQ(again->properties().size(), before);
}

TEST(ClassBuilderRegistry, ReadonlyPropertyHasNoSetter)
{
    const auto* version = KXTestFont::classObject()->propertyNamed("version");
    ASSERT_NE(version, nullptr);
    EXPECT_TRUE(version->readonly());
    auto font = std::make_shared<KXTestFont>();
    EXPECT_EQ(version->get(*font).integerValue(), 7);
}
