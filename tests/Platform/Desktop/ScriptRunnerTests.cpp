#include "Platform/Desktop/ScriptRunner.h"

#include <gtest/gtest.h>

TEST(ScriptRunner, ThisSystemHasNoScriptingHost)
{
    auto runner = desktop::ScriptRunner::systemScriptRunner();
    const auto error = runner->run("tell application \"Sketch\" to activate");
    ASSERT_TRUE(error);
    EXPECT_EQ(*error, desktop::UnavailableScriptRunner::kUnavailableMessage);
}
