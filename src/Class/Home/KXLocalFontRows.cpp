#include "Class/Home/KXLocalFontRows.h"

#include "Class/ServiceCore/Catalogue/KXFontBaseModel.h"
#include "Class/ServiceCore/Fonts/KXHomeLocalManager.h"
#include "Lib/ModelMapping/MMKeyValue.h"

using foundation::Id;
using foundation::Ref;

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

Ref<foundation::MutableArray> KXLocalFontRows::rows(KXHomeLocalManager& manager)
{
    // The list shows the rows without a copy (a copy of ten thousand rows is what a click of an
    // unchanged list must not cost); it may remove rows from what it shows, which is found here.
    const Ref<foundation::Array> records = manager.keptLocalFonts();
    if (records == records_ && handedOutUnchanged())
        return rows_;
    std::unordered_map<const foundation::Object*, Row> kept;
    std::vector<Id> rows;
    rows.reserve(records->count());
    for (const Id& record : *records) {
        const auto found = rowByRecord_.find(record.get());
        const Id row = found != rowByRecord_.end() ? found->second.row
                                                   : mm::mm_objectWithKeyValues(KXFontBaseModel::classObject(), record);
        if (row.isNil())
            continue;
        rows.push_back(row);
        kept.insert_or_assign(record.get(), Row{record, row});
    }
    rowByRecord_ = std::move(kept);
    records_ = records;
    handedOut_.clear();
    for (const Id& row : rows)
        handedOut_.push_back(row.get());
    rows_ = foundation::MutableArray::create(std::move(rows));
    return rows_;
}
