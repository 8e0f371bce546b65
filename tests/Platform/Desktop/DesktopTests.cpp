#include "Platform/Desktop/ScriptRunner.h"
#include "Platform/Desktop/X11WindowList.h"

#include <gtest/gtest.h>

#include <unistd.h>

TEST(X11WindowList, WithoutADisplayTheListIsEmpty)
{
    desktop::X11WindowList list(":987654");
    EXPECT_FALSE(desktop::X11WindowList::isAvailable(":987654"));
    EXPECT_TRUE(list.windowsFrontToBack().empty());
}

TEST(X11WindowList, NamesAWindowAfterItsProcess)
{
    EXPECT_EQ(desktop::processName(::getpid()), "DesktopTests");
    EXPECT_EQ(desktop::processName(0), "");
    EXPECT_EQ(desktop::processName(-1), "");
}

TEST(ScriptRunner, ThisSystemHasNoScriptingHost)
{
    auto runner = desktop::ScriptRunner::systemScriptRunner();
    const auto error = runner->run("tell application \"Sketch\" to activate");
    ASSERT_TRUE(error);
    EXPECT_EQ(*error, desktop::UnavailableScriptRunner::kUnavailableMessage);
}
