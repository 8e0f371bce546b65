#include "Class/ServiceCore/Fonts/VLFontLoader.h"
#include "Platform/Fonts/FontRegistry.h"
#include "Platform/Fonts/UniqueFont.h"

#include <gtest/gtest.h>

TEST(VLFontLoader, RegistersItsFileAndAnswersAnEmptyDictionary)
{
    const std::string name = "CorvaneDiagnosticCond-BoldItali";
    const auto file = fonttest::fontWithUniqueName(name);
    VLFontLoader loader(file);
    testing::internal::CaptureStderr();
    auto first = loader.fontNamesByPath(foundation::String::create("ignored"));
    auto second = loader.fontNamesByPath(nullptr);
    const std::string log = testing::internal::GetCapturedStderr();
    EXPECT_EQ(first->count(), 0u);
    EXPECT_NE(first.get(), second.get());
    EXPECT_TRUE(fonts::FontRegistry::isPostScriptNameAvailable(name));
    EXPECT_NE(log.find("------DejaVu Serif Condensed Bold Italic---length34\n"), std::string::npos) << log;
    EXPECT_NE(log.find("is already registered"), std::string::npos) << log;
    fonts::FontRegistry::unregisterFontFile(file);
}
