#include "Class/Theme/ToastPresenter.h"

#include <mutex>
#include <utility>

namespace {

struct Slot {
    std::mutex mutex;
    std::shared_ptr<ToastPresenter> presenter;
};

Slot& slot()
{
    static Slot instance;
    return instance;
}

} // namespace

std::shared_ptr<ToastPresenter> ToastPresenter::shared()
{
    std::lock_guard lock(slot().mutex);
    return slot().presenter;
}

void ToastPresenter::setShared(std::shared_ptr<ToastPresenter> presenter)
{
    std::lock_guard lock(slot().mutex);
    slot().presenter = std::move(presenter);
}
