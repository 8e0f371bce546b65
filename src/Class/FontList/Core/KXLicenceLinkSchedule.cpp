#include "Class/FontList/Core/KXLicenceLinkSchedule.h"

#include "Class/FontList/Core/KXRowLook.h"
#include "Platform/Dispatch/Queue.h"

std::shared_ptr<KXLicenceLinkSchedule> KXLicenceLinkSchedule::create(Changed changed)
{
    return std::make_shared<KXLicenceLinkSchedule>(std::move(changed));
}

KXLicenceLinkSchedule::KXLicenceLinkSchedule(Changed changed)
    : changed_(std::move(changed))
{
}

void KXLicenceLinkSchedule::recordShown(const foundation::Ref<KXFontBaseModel>& record)
{
    if (!record)
        return;
    const KXFontBaseModel* key = record.get();
    if (!KXRowLook::isLicenceLinkArrival(*record)) {
        if (const auto known = entries_.find(key); known != entries_.end() && known->second.record.lock() == record)
            known->second.armed = false;
        return;
    }
    Entry& entry = entries_[key];
    if (entry.record.lock() != record)
        entry = Entry{record};
    if (entry.armed)
        return;
    if (entries_.size() > 64)
        forgetGone();
    Entry& armed = entries_[key];
    armed.armed = true;
    armed.arrival = ++arrivals_;
    const unsigned long long arrival = armed.arrival;
    const std::weak_ptr<KXLicenceLinkSchedule> weak = weak_from_this();
    auto step = [weak, key, arrival](bool showing) {
        return [weak, key, arrival, showing] {
            if (const auto self = weak.lock())
                self->set(key, arrival, showing);
        };
    };
    dispatch::mainQueue().after(KXRowLook::kLicenceLinkShowAfter, step(true));
    dispatch::mainQueue().after(KXRowLook::kLicenceLinkHideAfter, step(false));
}

void KXLicenceLinkSchedule::set(const KXFontBaseModel* key, unsigned long long arrival, bool showing)
{
    const auto known = entries_.find(key);
    if (known == entries_.end() || known->second.arrival != arrival)
        return;
    const auto record = known->second.record.lock();
    if (!record) {
        entries_.erase(known);
        return;
    }
    known->second.showing = showing;
    if (changed_)
        changed_(record);
}

bool KXLicenceLinkSchedule::isShowing(const KXFontBaseModel& record) const
{
    const auto known = entries_.find(&record);
    return known != entries_.end() && known->second.showing && known->second.record.lock().get() == &record;
}

void KXLicenceLinkSchedule::forgetGone()
{
    std::erase_if(entries_, [](const auto& item) { return item.second.record.expired(); });
}
