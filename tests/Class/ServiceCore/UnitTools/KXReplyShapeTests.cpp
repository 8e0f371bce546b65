#include "Class/ServiceCore/UnitTools/KXReplyShape.h"
#include "Platform/Foundation/Foundation.h"
#include "Platform/Serialization/JSONSerialization.h"

#include <gtest/gtest.h>

using foundation::Id;

namespace {

Id json(std::string_view text)
{
    return foundation::JSONSerialization::JSONObjectWithData(
        foundation::Data::create(text), foundation::JSONReadingMutableContainers);
}

} // namespace

TEST(KXReplyShape, KeepsTheNamedKeysOfDictionariesAndOfTheDictionariesInArrays)
{
    const auto shape
        = KXReplyShape::dictionary({ { "name", KXReplyShape::field() }, { "gone", KXReplyShape::field() },
            { "rows", KXReplyShape::dictionary({ { "id", KXReplyShape::field() } }) },
            { "one", KXReplyShape::dictionary({ { "id", KXReplyShape::field() } }) } });
    const Id reply
        = json(R"({"name": "a", "extra": [0, 0, 0], "rows": [{"id": 1, "x": 2}, 7, {"x": 3}, {"id": null}],
                              "one": {"id": "9", "deep": {"id": 1}}})");
    const Id kept = shape.keep(reply);
    EXPECT_TRUE(
        kept.isEqual(json(R"({"name": "a", "rows": [{"id": 1}, {}, {"id": null}], "one": {"id": "9"}})")))
        << kept.description();
    // Fresh immutable containers: what the reply's owner changes later is not in them.
    EXPECT_FALSE(kept.is<foundation::MutableDictionary>());
    EXPECT_FALSE(kept["rows"].is<foundation::MutableArray>());
    reply["rows"][0].as<foundation::MutableDictionary>()->setObject(Id(5), Id("id"));
    EXPECT_EQ(kept["rows"][0]["id"].integerValue(), 1);

    // A field holds text, a number or null; a container under a field's name is not kept.
    EXPECT_TRUE(shape.keep(json(R"({"name": [1, 2], "one": "text"})")).isEqual(json("{}")));
    EXPECT_TRUE(shape.keep(Id("text")).isNil());
    EXPECT_TRUE(KXReplyShape::field().keep(Id(3)).isEqual(Id(3)));
}
