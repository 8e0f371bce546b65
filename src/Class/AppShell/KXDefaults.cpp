#include "Class/AppShell/KXDefaults.h"

#include "Class/AppShell/KXStartupTrace.h"
#include "Platform/Dispatch/Queue.h"
#include "Platform/Storage/Paths.h"
#include "Platform/Storage/UserDefaults.h"

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
    if (!defaults.isUnreadable())
        return;
    kxtrace::mark("settings-unreadable", defaults.file().string());
    queueToast("无法读取设置文件：" + foundation::Paths::displayPath(defaults.file()), window);
}
