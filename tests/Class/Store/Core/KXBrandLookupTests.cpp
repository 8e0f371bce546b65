#include "Class/Store/Core/KXBrandLookup.h"
#include "Platform/Dispatch/RunLoop.h"
#include "Platform/Foundation/Foundation.h"

#include <gtest/gtest.h>

using foundation::Id;

namespace {

Id category(std::initializer_list<std::pair<const char*, const char*>> offers)
{
    auto list = foundation::MutableArray::create();
    for (const auto& [id, name] : offers)
        list->addObject(Id(
            foundation::Dictionary::create({ { Id("brand_id"), Id(id) }, { Id("brand_name"), Id(name) } })));
    return Id(foundation::Dictionary::create(
        { { Id("auth_name"), Id("个人授权") }, { Id("brand_data"), Id(list) } }));
}

TEST(KXBrandLookupIndex, EveryOfferByIdLaterDuplicatesWin)
{
    const Id categories(foundation::Array::create(
        { category({ { "11", "a" }, { "12", "b" } }), category({ { "21", "c" }, { "11", "d" } }) }));
    const auto table = KXBrandLookup::index(categories);
    ASSERT_EQ(table->size(), 3u);
    EXPECT_EQ(table->at("11")["brand_name"].stringValue(), "d");
    EXPECT_EQ(table->at("21")["brand_name"].stringValue(), "c");
    // Numbers as ids are read as their text; records of the wrong shape are skipped safely.
    const Id odd(foundation::Array::create({ Id("text"),
        Id(foundation::Dictionary::create({ { Id("brand_data"),
            Id(foundation::Array::create(
                { Id(foundation::Dictionary::create({ { Id("brand_id"), Id(31) } })) })) } })) }));
    EXPECT_EQ(KXBrandLookup::index(odd)->count("31"), 1u);
}

TEST(KXBrandLookupSwap, LookupsSeeTheOldTableUntilTheNewOneIsSwappedIn)
{
    KXBrandLookup lookup;
    int swaps = 0;
    lookup.getBlindBrandData(
        Id(foundation::Array::create({ category({ { "11", "a" } }) })), [&] { ++swaps; });
    EXPECT_TRUE(lookup.offerForBrandID("11").isNil())
        << "indexing happens off the main thread and is swapped in later";
    ASSERT_TRUE(dispatch::RunLoop::runUntil([&] { return swaps == 1; }, 10));
    EXPECT_EQ(lookup.offerForBrandID("11")["brand_name"].stringValue(), "a");

    // Two indexings under way: only the later one is swapped in, whichever ends first.
    lookup.getBlindBrandData(
        Id(foundation::Array::create({ category({ { "12", "b" } }) })), [&] { ++swaps; });
    lookup.getBlindBrandData(
        Id(foundation::Array::create({ category({ { "13", "c" } }) })), [&] { ++swaps; });
    EXPECT_EQ(lookup.offerForBrandID("11")["brand_name"].stringValue(), "a");
    ASSERT_TRUE(dispatch::RunLoop::runUntil([&] { return swaps == 2; }, 10));
    dispatch::RunLoop::drain();
    EXPECT_EQ(swaps, 2);
    EXPECT_TRUE(lookup.offerForBrandID("12").isNil());
    EXPECT_EQ(lookup.offerForBrandID("13")["brand_name"].stringValue(), "c");
    EXPECT_EQ(lookup.count(), 1u);
}

TEST(KXBrandLookupSwap, TheListMayChangeWhileItIsIndexed)
{
    KXBrandLookup lookup;
    auto list = foundation::MutableArray::create({ category({ { "11", "a" } }) });
    bool swapped = false;
    lookup.getBlindBrandData(Id(list), [&] { swapped = true; });
    list->removeAllObjects();
    ASSERT_TRUE(dispatch::RunLoop::runUntil([&] { return swapped; }, 10));
    EXPECT_FALSE(lookup.offerForBrandID("11").isNil());
}

} // namespace
