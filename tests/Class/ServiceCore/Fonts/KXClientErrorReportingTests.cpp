#include "Class/ServiceCore/Transport/TransportTestSupport.h"

#include "Class/ServiceCore/Fonts/KXClientErrorReporting.h"
#include "Class/ServiceCore/Fonts/KXFontsCore.h"
#include "Platform/Desktop/ScriptRunner.h"

using transporttest::TransportTest;

TEST_F(TransportTest, FontEngineScriptFailureIsReportedToTheService)
{
    KXInstallClientErrorReporter();
    KXFontsCore::Environment environment;
    environment.scriptRunner = std::make_shared<desktop::UnavailableScriptRunner>();
    auto engine = KXFontsCore::create(environment);
    engine->runScptTaskWithScptStr("tell application \"Sketch\" to activate", "/nowhere/font.ttf");
    ASSERT_TRUE(waitFor([] { return !service().requestLog().withTag("120").empty(); }));
    KXFontsCore::setClientErrorReporter(nullptr);

    const auto request = onlyRequest();
    EXPECT_EQ(request.path, "clientError");
    EXPECT_EQ(*request.param("module"), "交互失败");
    EXPECT_EQ(*request.param("error_info"), desktop::UnavailableScriptRunner::kUnavailableMessage);
    EXPECT_EQ(*request.param("platform"), "mz_mac");
    EXPECT_EQ(*request.param("client_name"), "");
    EXPECT_EQ(*request.param("client_version"), "");
}
