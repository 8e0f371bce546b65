#pragma once

#include "Platform/Foundation/Data.h"
#include "Platform/Foundation/Dictionary.h"

#include <filesystem>
#include <string>
#include <string_view>

// The design application's plug-in through which the font engine sets the selected layers' font:
// a manifest and a script, staged in the cache folder and copied into the application's plug-in
// folder. Files are written atomically; nothing here is thread-safe, the engine writes it from
// one hand-off at a time.
class KXSketchPlugin {
public:
    static foundation::Ref<foundation::Dictionary> manifest();
    // The manifest as pretty-printed JSON in UTF-8.
    static foundation::Ref<foundation::Data> manifestData();

    // <cache>/HolliskFont/Contents/Sketch
    static std::filesystem::path stagingFolder(const std::filesystem::path& cacheFolder);
    // <data home>/com.bohemiancoding.sketch3/Plugins/HolliskFont.sketchplugin
    static std::filesystem::path pluginFolder(const std::filesystem::path& dataHome);

    // Removes the installed plug-in, writes manifest.json and script.cocoascript (with
    // `fontNameLiteral`, already safe for a JavaScript string) into the staging folder and copies
    // <cache>/HolliskFont to the plug-in folder. False with a reason in `error` when a step fails.
    static bool install(std::string_view fontNameLiteral, const std::filesystem::path& cacheFolder,
                        const std::filesystem::path& dataHome, std::string* error = nullptr);
};
