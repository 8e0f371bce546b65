#pragma once

#include "Class/Theme/ToastPresenter.h"
#include "Platform/Foundation/Object.h"

#include <functional>
#include <string_view>

namespace foundation {
class UserDefaults;
}

// Stores `value` under `key` (nil removes it) only when the stored value differs: every write of
// the user defaults goes to disk at once, and the start-up writes the same values at every launch.
// Returns whether anything changed.
bool kx_storeDefault(foundation::UserDefaults& defaults, std::string_view key, const foundation::Id& value);

// Tells the user of the settings file's troubles in the toast, queued on the main queue and shown
// over the window `window` answers then: at once when the file exists but cannot be read (its
// values are unknown, so that start is no first run, and it is never written over), and from then
// on at the first write that fails after the store was last on disk. Over a file that cannot be
// read, the first sign-in stored ("token") also says once that it will not be kept. Called before
// the run's first write. Main queue.
void kx_reportSettingsFile(foundation::UserDefaults& defaults, std::function<ToastWindow()> window);
// The unreadable file's toast again, for a window shown after the start's (the splash shows it for
// a moment only); nothing when the file was read.
void kx_repeatSettingsFileNotice(const foundation::UserDefaults& defaults, std::function<ToastWindow()> window);
