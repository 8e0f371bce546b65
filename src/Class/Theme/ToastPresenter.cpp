#include "Class/Theme/ToastPresenter.h"

#include "Platform/Foundation/Atomic.h"

#include <utility>

namespace {

foundation::Atomic<std::shared_ptr<ToastPresenter>>& slot()
{
    static foundation::Atomic<std::shared_ptr<ToastPresenter>> presenter;
    return presenter;
}

} // namespace

std::shared_ptr<ToastPresenter> ToastPresenter::shared()
{
    return slot().get();
}

void ToastPresenter::setShared(std::shared_ptr<ToastPresenter> presenter)
{
    slot().set(std::move(presenter));
}
