#include "Platform/Foundation/Foundation.h"
#include "Platform/Serialization/XMLDocument.h"
#include "Platform/Serialization/XMLParser.h"

#include <gtest/gtest.h>

using namespace foundation;

TEST(XMLDocumentTree, HoldsElementsAttributesAndText)
{
    Ref<Error> error;
    auto document = XMLDocument::create(
        Data::create(R"(<catalogue version="3"><font id="7">Ada <b>Bold</b> Sans</font><font id="8"/>)"
                     R"(<note><![CDATA[a<b]]></note></catalogue>)"),
        0, &error);
    ASSERT_TRUE(document) << (error ? error->description() : "");
    auto root = document->rootElement();
    EXPECT_EQ(root->name(), "catalogue");
    EXPECT_EQ(root->attributeForName("version").stringValue(), "3");
    EXPECT_TRUE(root->attributeForName("missing").isNil());
    auto fonts = root->elementsForName("font");
    ASSERT_EQ(fonts.size(), 2u);
    EXPECT_EQ(fonts[0]->stringValue(), "Ada Bold Sans");
    EXPECT_EQ(fonts[0]->children().size(), 1u);
    EXPECT_EQ(fonts[0]->parent(), root);
    EXPECT_EQ(fonts[1]->attributes()->count(), 1u);
    EXPECT_EQ(root->stringValue(), "Ada Bold Sansa<b");
    EXPECT_EQ(root->description(), R"(<catalogue version="3"><font id="7">Ada <b>Bold</b> Sans</font><font id="8"/>)"
                                   R"(<note>a&lt;b</note></catalogue>)");
}

TEST(XMLDocumentTree, MalformedDataGivesNilAndTheParserError)
{
    Ref<Error> error;
    EXPECT_FALSE(XMLDocument::create(Data::create("<a><b></a>"), 0, &error));
    ASSERT_TRUE(error);
    EXPECT_EQ(error->domain(), NSXMLParserErrorDomain);
    EXPECT_EQ(error->code(), XMLParserTagNameMismatchError);
    EXPECT_FALSE(XMLDocument::create(Data::create(""), 0, nullptr));
}
