#include "Class/ServiceCore/Transport/KXGlobalDataBase.h"
#include "Platform/Foundation/Foundation.h"

#include <gtest/gtest.h>

using foundation::Id;
using foundation::String;

namespace {
foundation::Ref<String> text(const char* s)
{
    return String::create(s);
}
} // namespace

TEST(KXGlobalDataBase, DefaultsAndLazyCollections)
{
    auto& state = KXGlobalDataBase::sharedKXGlobalDataBase();
    EXPECT_EQ(state.currentModule()->utf8(), "主程序");
    state.setCurrentModule(text("用户登录错误"));
    EXPECT_EQ(state.currentModule()->utf8(), "用户登录错误");
    state.setCurrentModule(nullptr);
    EXPECT_EQ(state.currentModule()->utf8(), "主程序");

    auto filters = state.filterD();
    filters->setObject(Id("1"), Id("k"));
    EXPECT_EQ(state.filterD()->count(), 1u) << "the same shared dictionary";
    state.setFilterD(nullptr);
    EXPECT_EQ(state.filterD()->count(), 0u);
    EXPECT_EQ(state.updateDataDic(), nullptr);
    EXPECT_FALSE(state.isEnLanguage());
}
