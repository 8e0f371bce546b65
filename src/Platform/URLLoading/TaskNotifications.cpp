#include "Platform/URLLoading/TaskNotifications.h"

#include "Platform/Dispatch/NotificationCenter.h"
#include "Platform/Foundation/Atomic.h"
#include "Platform/URLLoading/URLSessionTask.h"

namespace net {

namespace {

foundation::Atomic<TaskNotificationPoster>& poster()
{
    static foundation::Atomic<TaskNotificationPoster> instance;
    return instance;
}

} // namespace

void setTaskNotificationPoster(TaskNotificationPoster newPoster)
{
    poster().set(std::move(newPoster));
}

void postTaskNotification(std::string_view name, const foundation::Ref<URLSessionTask>& task)
{
    if (const TaskNotificationPoster current = poster().get())
        current(name, task);
    else
        dispatch::NotificationCenter::defaultCenter().post(std::string(name), foundation::Id(task));
}

} // namespace net
