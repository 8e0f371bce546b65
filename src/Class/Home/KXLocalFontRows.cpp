#include "Class/Home/KXLocalFontRows.h"

#include "Class/ServiceCore/Catalogue/KXFontBaseModel.h"
#include "Lib/ModelMapping/MMKeyValue.h"

#include <mutex>
#include <unordered_map>

using foundation::Id;
using foundation::Ref;

// The rows of one list of records; not changed once made.
struct KXLocalFontRows::Made {
    Ref<foundation::Array> records;
    std::vector<Id> rows;
    // Row by record; the record is held so that its address is not taken by another one.
    struct Row {
        Id record;
        Id row;
    };
    std::unordered_map<const foundation::Object*, Row> rowByRecord;
    // The first array to hand out (its holder's from then on), made here too, so that showing new
    // rows costs the main thread no copy of them; and the rows' addresses, to tell whether its
    // holder changed it since.
    Ref<foundation::MutableArray> firstHandOut;
    std::vector<const foundation::Object*> addresses;
};

struct KXLocalFontRows::Shelf {
    std::mutex mutex; // guards latest
    std::shared_ptr<const Made> latest;

    std::shared_ptr<const Made> take()
    {
        std::lock_guard lock(mutex);
        return latest;
    }

    void make(const Ref<foundation::Array>& records)
    {
        const auto previous = take();
        if (!records || (previous && previous->records == records))
            return;
        auto made = std::make_shared<Made>();
        made->records = records;
        made->rows.reserve(records->count());
        for (const Id& record : *records) {
            Id row;
            if (previous)
                if (const auto found = previous->rowByRecord.find(record.get()); found != previous->rowByRecord.end())
                    row = found->second.row;
            if (row.isNil())
                row = mm::mm_objectWithKeyValues(KXFontBaseModel::classObject(), record);
            if (row.isNil())
                continue;
            made->rows.push_back(row);
            made->rowByRecord.insert_or_assign(record.get(), Made::Row{record, row});
        }
        made->addresses.reserve(made->rows.size());
        for (const Id& row : made->rows)
            made->addresses.push_back(row.get());
        made->firstHandOut = foundation::MutableArray::create(made->rows);
        std::lock_guard lock(mutex);
        latest = std::move(made);
    }
};

KXLocalFontRows::KXLocalFontRows()
    : shelf_(std::make_shared<Shelf>())
{
}

KXLocalFontRows::~KXLocalFontRows() = default;

bool KXLocalFontRows::handedOutUnchanged() const
{
    const auto& rows = rows_->objects();
    if (rows.size() != handedOut_.size())
        return false;
    for (std::size_t i = 0; i < rows.size(); ++i)
        if (rows[i].get() != handedOut_[i])
            return false;
    return true;
}

Ref<foundation::MutableArray> KXLocalFontRows::rows()
{
    // The list shows the rows without a copy (a copy of ten thousand rows is what a click of an
    // unchanged list must not cost); it may remove rows from what it shows, which is found here.
    const auto made = shelf_->take();
    if (!made)
        return nullptr;
    if (made == handedFrom_ && handedOutUnchanged())
        return rows_;
    rows_ = made == handedFrom_ ? foundation::MutableArray::create(made->rows) : made->firstHandOut;
    handedFrom_ = made;
    handedOut_ = made->addresses;
    return rows_;
}

std::function<void(const Ref<foundation::Array>&)> KXLocalFontRows::maker() const
{
    return [shelf = shelf_](const Ref<foundation::Array>& records) { shelf->make(records); };
}
