#pragma once

#include "Class/ServiceCore/Catalogue/KXFontBaseModel.h"

#include <functional>
#include <memory>
#include <unordered_map>

// The personal licence link of the font rows ("获得个人家庭授权>"): a record that reaches the end
// of its download (KXRowLook::isLicenceLinkArrival) shows the link from 1 to 5 seconds after a row
// first shows it so. The link belongs to the record, not to the row that happens to draw it: a row
// reused for another font never shows it, and each arrival at the value schedules one show and one
// hide however often the rows repaint in between.
//
// The delays run on the main queue's clock; `changed` is called on the main queue with the record
// whenever its link appears or goes. Main thread only.
class KXLicenceLinkSchedule : public std::enable_shared_from_this<KXLicenceLinkSchedule> {
public:
    using Changed = std::function<void(const foundation::Ref<KXFontBaseModel>& record)>;

    static std::shared_ptr<KXLicenceLinkSchedule> create(Changed changed);

    // A row shows the record now: schedules the link at an arrival, forgets the arrival once the
    // record has left the value.
    void recordShown(const foundation::Ref<KXFontBaseModel>& record);
    bool isShowing(const KXFontBaseModel& record) const;

    explicit KXLicenceLinkSchedule(Changed changed);

private:
    struct Entry {
        std::weak_ptr<KXFontBaseModel> record;
        unsigned long long arrival = 0;
        bool armed = false;
        bool showing = false;
    };
    void set(const KXFontBaseModel* key, unsigned long long arrival, bool showing);
    void forgetGone();

    Changed changed_;
    unsigned long long arrivals_ = 0;
    std::unordered_map<const KXFontBaseModel*, Entry> entries_;
};
