#include "Class/AppShell/KXDefaults.h"

#include "Class/AppShell/KXStartupTrace.h"
#include "Platform/Dispatch/Queue.h"
#include "Platform/Storage/Paths.h"
#include "Platform/Storage/UserDefaults.h"

#include <atomic>
#include <memory>
#include <string>

bool kx_storeDefault(foundation::UserDefaults& defaults, std::string_view key, const foundation::Id& value)
{
    const foundation::Id stored = defaults.objectForKey(key);
    if (value.isNil() ? stored.isNil() : (!stored.isNil() && stored.isEqual(value)))
        return false;
    defaults.setObject(value, key);
    return true;
}

namespace {

// The settings key of the signed-in session.
constexpr const char* kSignInKey = "token";

void queueToast(std::string message, const std::function<ToastWindow()>& window)
{
    dispatch::mainQueue().async([message = std::move(message), window] {
        if (const auto toasts = ToastPresenter::shared())
            toasts->show(message, ToastStyle::Error, window ? window() : ToastWindow {});
    });
}

} // namespace

void kx_reportSettingsFile(foundation::UserDefaults& defaults, std::function<ToastWindow()> window)
{
    defaults.setWriteFailureHandler([window](const std::filesystem::path& file) {
        queueToast("无法写入设置文件：" + foundation::Paths::displayPath(file), window);
    });
    // The sign-in made in this run is lost at the next start: said once, when it is made.
    auto signInRefusalSaid = std::make_shared<std::atomic<bool>>(false);
    defaults.setRefusedChangeHandler([window, signInRefusalSaid](const std::filesystem::path& file, const std::string& key) {
        if (key == kSignInKey && !signInRefusalSaid->exchange(true))
            queueToast("设置文件无法读取，登录信息不会保存：" + foundation::Paths::displayPath(file), window);
    });
    if (!defaults.isUnreadable())
        return;
    kxtrace::mark("settings-unreadable", defaults.file().string());
    kx_repeatSettingsFileNotice(defaults, std::move(window));
}

void kx_repeatSettingsFileNotice(const foundation::UserDefaults& defaults, std::function<ToastWindow()> window)
{
    if (defaults.isUnreadable())
        queueToast("无法读取设置文件：" + foundation::Paths::displayPath(defaults.file()), window);
}
