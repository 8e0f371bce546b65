#pragma once

#include "Class/ServiceCore/Fonts/KXFontNameCache.h"
#include "Class/ServiceCore/Fonts/KXFontsCore.h"
#include "Class/ServiceCore/Transport/KXGlobalDataBase.h"
#include "Platform/Desktop/ScriptRunner.h"
#include "Platform/Desktop/WindowList.h"
#include "Platform/Dispatch/NotificationCenter.h"
#include "Platform/Storage/UserDefaults.h"
#include "Support/TempHome.h"

#include <atomic>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

// Stand-ins for the window server, the script host and the font usability check, and an engine
// environment over a scratch folder, for the font engine's tests.
namespace fontengine_test {

class FakeWindowList final : public desktop::WindowList {
public:
    explicit FakeWindowList(std::vector<std::string> owners = {})
        : owners_(std::move(owners))
    {
    }
    std::vector<desktop::WindowInfo> windowsFrontToBack() const override
    {
        std::vector<desktop::WindowInfo> windows;
        unsigned long id = 1;
        for (const auto& owner : owners_)
            windows.push_back({owner, id++});
        return windows;
    }

private:
    std::vector<std::string> owners_;
};

class RecordingScriptRunner final : public desktop::ScriptRunner {
public:
    std::optional<std::string> run(const std::string& scriptText) override
    {
        std::lock_guard lock(mutex_);
        scripts_.push_back(scriptText);
        return error_;
    }
    void failWith(std::optional<std::string> error)
    {
        std::lock_guard lock(mutex_);
        error_ = std::move(error);
    }
    std::vector<std::string> scripts() const
    {
        std::lock_guard lock(mutex_);
        return scripts_;
    }

private:
    mutable std::mutex mutex_;
    std::vector<std::string> scripts_;
    std::optional<std::string> error_;
};

// Everything an engine under test touches, below one scratch folder.
struct Bench {
    std::filesystem::path root = testsupport::makeScratchDir("fontengine");
    std::shared_ptr<RecordingScriptRunner> runner = std::make_shared<RecordingScriptRunner>();
    foundation::UserDefaults defaults{root / "defaults.plist"};
    dispatch::NotificationCenter center;
    KXFontNameCache cache{root / "KXFonts" / "fontName.plist"};
    std::atomic<int> usabilityTests{0};
    std::atomic<int> usableFromTest{0}; // 0: never usable
    std::vector<std::string> languages{"en"};

    // Paths of the "endcellloading" notifications received, in order.
    std::vector<std::string> endedPaths;
    dispatch::Subscription subscription = center.addObserver(
        KXFontsCore::kEndCellLoadingNotification, {}, nullptr,
        [this](const dispatch::Notification& n) { endedPaths.push_back(n.object["ttfPath"].stringValue()); });

    Bench() = default;
    Bench(const Bench&) = delete;
    Bench& operator=(const Bench&) = delete;
    // The engine sets the process-wide module label; the next suite starts without one.
    ~Bench() { KXGlobalDataBase::sharedKXGlobalDataBase().setCurrentModule(nullptr); }

    KXFontsCore::Environment environment(std::vector<std::string> owners = {})
    {
        KXFontsCore::Environment env;
        env.windowList = std::make_shared<FakeWindowList>(std::move(owners));
        env.scriptRunner = runner;
        env.isFontUsable = [this](const std::string&) {
            const int test = ++usabilityTests;
            return usableFromTest > 0 && test >= usableFromTest;
        };
        env.preferredLanguages = [this] { return languages; };
        env.defaults = &defaults;
        env.notificationCenter = &center;
        env.nameCache = &cache;
        env.cacheFolder = root / "cache";
        env.dataHome = root / "data";
        return env;
    }
};

} // namespace fontengine_test
