#pragma once

#include <memory>
#include <type_traits>
#include <utility>

// Forwards calls to a target it holds weakly: while the target lives a call reaches it; once it is
// gone every call quietly answers the result type's zero value (nil, 0, false). For callbacks that
// must not keep their target alive (a timer's handler, say).
template <class Target> class ILWeakProxy {
public:
    static std::shared_ptr<ILWeakProxy> proxyWithTarget(const std::shared_ptr<Target>& target)
    {
        return std::make_shared<ILWeakProxy>(target);
    }
    explicit ILWeakProxy(const std::shared_ptr<Target>& target)
        : target_(target)
    {
    }

    std::shared_ptr<Target> target() const { return target_.lock(); }
    bool isProxy() const { return true; }
    bool isEqual(const ILWeakProxy& other) const { return target() == other.target(); }

    // Calls `method` on the target with `args`, or answers a value-initialised result.
    template <class Result, class... Params, class... Args>
    Result forward(Result (Target::*method)(Params...), Args&&... args) const
    {
        if (auto strong = target_.lock())
            return (strong.get()->*method)(std::forward<Args>(args)...);
        if constexpr (!std::is_void_v<Result>)
            return Result {};
    }
    template <class Result, class... Params, class... Args>
    Result forward(Result (Target::*method)(Params...) const, Args&&... args) const
    {
        if (auto strong = target_.lock())
            return (strong.get()->*method)(std::forward<Args>(args)...);
        if constexpr (!std::is_void_v<Result>)
            return Result {};
    }

private:
    std::weak_ptr<Target> target_;
};
