#pragma once

#include "Platform/Dispatch/Subscription.h"
#include "Platform/Dispatch/detail/ObserverList.h"

#include <functional>
#include <mutex>
#include <string>
#include <utility>

// The storage of a settings object whose fields are read and written under one mutex and whose
// changes are reported by key to observers, after the change, on the thread that made it (the
// key-value observation of the configurations).
template <class Fields> class ILObservableSettings {
public:
    using ChangeObserver = std::function<void(const std::string& key)>;
    [[nodiscard]] dispatch::Subscription observeChanges(ChangeObserver observer)
    {
        return observers_.add(std::move(observer));
    }

protected:
    template <class T> T read(T Fields::*field) const
    {
        std::lock_guard lock(mutex_);
        return fields_.*field;
    }
    template <class T> void write(T Fields::*field, T value, const char* key)
    {
        {
            std::lock_guard lock(mutex_);
            fields_.*field = std::move(value);
        }
        observers_.notify(std::string(key));
    }
    Fields fields() const
    {
        std::lock_guard lock(mutex_);
        return fields_;
    }
    void setFields(Fields fields)
    {
        std::lock_guard lock(mutex_);
        fields_ = std::move(fields);
    }

private:
    mutable std::mutex mutex_;
    Fields fields_;
    dispatch::detail::ObserverList<ChangeObserver> observers_;
};
