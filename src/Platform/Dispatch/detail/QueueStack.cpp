#include "Platform/Dispatch/detail/QueueStack.h"

#include <algorithm>

namespace dispatch::detail {

namespace {
thread_local QueueStack::Frames tStack;
}

const QueueStack::Frames& QueueStack::frames()
{
    return tStack;
}

bool QueueStack::contains(const Queue* queue)
{
    return std::find(tStack.begin(), tStack.end(), queue) != tStack.end();
}

const Queue* QueueStack::top()
{
    return tStack.empty() ? nullptr : tStack.back();
}

QueueStack::Enter::Enter(const Queue* queue)
{
    tStack.push_back(queue);
}

QueueStack::Enter::~Enter()
{
    tStack.pop_back();
}

QueueStack::Adopt::Adopt(const Frames& inherited, const Queue* queue) : saved_(std::move(tStack))
{
    tStack = inherited;
    tStack.push_back(queue);
}

QueueStack::Adopt::~Adopt()
{
    tStack = std::move(saved_);
}

} // namespace dispatch::detail
