#include "Class/ServiceCore/Fonts/KXSketchPlugin.h"

#include "Class/ServiceCore/Fonts/KXFontScripts.h"
#include "Platform/Foundation/Array.h"
#include "Platform/Serialization/JSONSerialization.h"

#include <system_error>

using foundation::Id;

namespace {

constexpr const char* kCommandIdentifier = "com.bohemiancoding.sketch.runscriptidentifier";
constexpr const char* kPluginName = "HolliskFont";

bool fail(std::string* error, std::string reason)
{
    if (error)
        *error = std::move(reason);
    return false;
}

} // namespace

foundation::Ref<foundation::Dictionary> KXSketchPlugin::manifest()
{
    auto handlers = foundation::Dictionary::create({{Id("run"), Id("onRun")}});
    auto command = foundation::Dictionary::create({{Id("script"), Id("script.cocoascript")},
                                                   {Id("name"), Id(kPluginName)},
                                                   {Id("handlers"), Id(handlers)},
                                                   {Id("identifier"), Id(kCommandIdentifier)}});
    auto menu = foundation::Dictionary::create(
        {{Id("items"), Id(foundation::Array::create({Id(kCommandIdentifier)}))}, {Id("title"), Id(kPluginName)}});
    return foundation::Dictionary::create({{Id("author"), Id("Corvane Fonts")},
                                           {Id("commands"), Id(foundation::Array::create({Id(command)}))},
                                           {Id("menu"), Id(menu)},
                                           {Id("identifier"), Id("cn.Pellam.sketch.hollisk")},
                                           {Id("version"), Id("1.2")},
                                           {Id("authorEmail"), Id("fonts@corvane.example")},
                                           {Id("name"), Id("KXSetFont")}});
}

foundation::Ref<foundation::Data> KXSketchPlugin::manifestData()
{
    return foundation::JSONSerialization::dataWithJSONObject(Id(manifest()), foundation::JSONWritingPrettyPrinted);
}

std::filesystem::path KXSketchPlugin::stagingFolder(const std::filesystem::path& cacheFolder)
{
    return cacheFolder / kPluginName / "Contents" / "Sketch";
}

std::filesystem::path KXSketchPlugin::pluginFolder(const std::filesystem::path& dataHome)
{
    return dataHome / "com.bohemiancoding.sketch3" / "Plugins" / "HolliskFont.sketchplugin";
}

bool KXSketchPlugin::install(std::string_view fontNameLiteral, const std::filesystem::path& cacheFolder,
                             const std::filesystem::path& dataHome, std::string* error)
{
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path plugin = pluginFolder(dataHome);
    fs::remove_all(plugin, ec);
    if (ec)
        return fail(error, "cannot remove " + plugin.string() + ": " + ec.message());
    const fs::path staging = stagingFolder(cacheFolder);
    fs::create_directories(staging, ec);
    if (ec)
        return fail(error, "cannot create " + staging.string() + ": " + ec.message());

    foundation::Ref<foundation::Error> writeError;
    auto manifestBytes = manifestData();
    if (!manifestBytes || !manifestBytes->writeToFile(staging / "manifest.json", true, &writeError))
        return fail(error, "cannot write the plug-in manifest");
    const auto script = foundation::Data::create(kxfontscripts::sketchPluginScript(fontNameLiteral));
    if (!script->writeToFile(staging / "script.cocoascript", true, &writeError))
        return fail(error, "cannot write the plug-in script");

    fs::create_directories(plugin.parent_path(), ec);
    if (!ec)
        fs::copy(cacheFolder / kPluginName, plugin, fs::copy_options::recursive, ec);
    if (ec)
        return fail(error, "cannot copy the plug-in to " + plugin.string() + ": " + ec.message());
    return true;
}
