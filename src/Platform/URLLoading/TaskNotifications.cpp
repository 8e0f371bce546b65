#include "Platform/URLLoading/TaskNotifications.h"

#include "Platform/Dispatch/NotificationCenter.h"
#include "Platform/URLLoading/URLSessionTask.h"

#include <mutex>

namespace net {

namespace {

std::mutex& posterMutex()
{
    static std::mutex mutex;
    return mutex;
}

TaskNotificationPoster& poster()
{
    static TaskNotificationPoster instance;
    return instance;
}

} // namespace

void setTaskNotificationPoster(TaskNotificationPoster newPoster)
{
    std::lock_guard lock(posterMutex());
    poster() = std::move(newPoster);
}

void postTaskNotification(std::string_view name, const foundation::Ref<URLSessionTask>& task)
{
    TaskNotificationPoster current;
    {
        std::lock_guard lock(posterMutex());
        current = poster();
    }
    if (current)
        current(name, task);
    else
        dispatch::NotificationCenter::defaultCenter().post(std::string(name), foundation::Id(task));
}

} // namespace net
