#pragma once

#include "Platform/Foundation/Object.h"

#include <functional>
#include <string_view>

namespace net {

class URLSessionTask;

// Posted synchronously on the caller's thread by `resume` on a task that was not running (before
// its transfer starts or goes on, so it always comes before the task's completion) and by
// `suspend` on a task that was not suspended, with the task as object.
inline constexpr std::string_view kTaskResumeNotification = "com.ostrelle.networking.nsurlsessiontask.resume";
inline constexpr std::string_view kTaskSuspendNotification = "com.ostrelle.networking.nsurlsessiontask.suspend";

// By default they go to the default notification centre. A poster set here replaces that (nil
// restores it); it runs on the thread that called resume or suspend.
using TaskNotificationPoster = std::function<void(std::string_view name, const foundation::Ref<URLSessionTask>& task)>;
void setTaskNotificationPoster(TaskNotificationPoster poster);
void postTaskNotification(std::string_view name, const foundation::Ref<URLSessionTask>& task);

} // namespace net
