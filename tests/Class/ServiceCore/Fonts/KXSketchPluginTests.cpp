#include "Class/ServiceCore/Fonts/KXSketchPlugin.h"
#include "Platform/Foundation/Foundation.h"
#include "Platform/Serialization/JSONSerialization.h"
#include "Support/TempHome.h"

#include <gtest/gtest.h>

#include <fstream>

using foundation::Id;

TEST(KXSketchPlugin, ManifestHasTheCommandMenuAndIdentity)
{
    const auto data = KXSketchPlugin::manifestData();
    ASSERT_TRUE(data);
    const std::string text(reinterpret_cast<const char*>(data->bytes()), data->length());
    EXPECT_NE(text.find("\n  \"commands\" : [\n"), std::string::npos) << text; // pretty-printed

    const Id manifest = foundation::JSONSerialization::JSONObjectWithData(data, 0);
    EXPECT_EQ(manifest["identifier"].stringValue(), "cn.Pellam.sketch.hollisk");
    EXPECT_EQ(manifest["version"].stringValue(), "1.2");
    EXPECT_EQ(manifest["name"].stringValue(), "KXSetFont");
    EXPECT_FALSE(manifest["author"].stringValue().empty());
    EXPECT_NE(manifest["authorEmail"].stringValue().find('@'), std::string::npos);
    ASSERT_EQ(manifest["commands"].array()->count(), 1u);
    const Id command = manifest["commands"][0];
    EXPECT_EQ(command.dictionary()->count(), 4u);
    EXPECT_EQ(command["script"].stringValue(), "script.cocoascript");
    EXPECT_EQ(command["name"].stringValue(), "HolliskFont");
    EXPECT_EQ(command["handlers"].dictionary()->count(), 1u);
    EXPECT_EQ(command["handlers"]["run"].stringValue(), "onRun");
    EXPECT_EQ(command["identifier"].stringValue(), "com.bohemiancoding.sketch.runscriptidentifier");
    EXPECT_EQ(manifest["menu"]["title"].stringValue(), "HolliskFont");
    ASSERT_EQ(manifest["menu"]["items"].array()->count(), 1u);
    EXPECT_EQ(manifest["menu"]["items"][0].stringValue(), "com.bohemiancoding.sketch.runscriptidentifier");
    EXPECT_EQ(manifest.dictionary()->count(), 7u);
}

TEST(KXSketchPlugin, InstallReplacesTheOldPluginWhole)
{
    const auto root = testsupport::makeScratchDir("plugin");
    const auto plugin = KXSketchPlugin::pluginFolder(root / "data");
    std::filesystem::create_directories(plugin / "Contents");
    std::ofstream(plugin / "Contents" / "stale.txt") << "old";
    ASSERT_TRUE(KXSketchPlugin::install("Font-PS", root / "cache", root / "data"));
    EXPECT_FALSE(std::filesystem::exists(plugin / "Contents" / "stale.txt"));
    std::ifstream manifest(plugin / "Contents" / "Sketch" / "manifest.json", std::ios::binary);
    const auto expected = KXSketchPlugin::manifestData();
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(manifest), {}),
              std::string(reinterpret_cast<const char*>(expected->bytes()), expected->length()));
}

TEST(KXSketchPlugin, AnUnwritableStagingFolderIsReported)
{
    const auto root = testsupport::makeScratchDir("plugin-blocked");
    std::ofstream(root / "cache") << "a file where the folder should be";
    std::string error;
    EXPECT_FALSE(KXSketchPlugin::install("Font-PS", root / "cache", root / "data", &error));
    EXPECT_FALSE(error.empty());
}
