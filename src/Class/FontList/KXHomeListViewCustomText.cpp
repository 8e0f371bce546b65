// The font list's custom preview text, sort order, preview size popover and scroll observers.
#include "Class/FontList/KXFontListModel.h"
#include "Class/FontList/KXFontTableView.h"
#include "Class/FontList/KXHomeListViewAdapter.h"
#include "Class/ServiceCore/Transport/KXGlobalDataBase.h"
#include "Class/ServiceCore/Transport/KXHTTPBUSINESS.h"
#include "Class/UIKit/KXPageLog.h"
#include "Platform/DispatchQt/QtGuardedCallback.h"
#include "Platform/Storage/UserDefaults.h"

#include <cstdio>

using foundation::Id;
using foundation::Ref;

namespace {

// The size popover's kind, set when it is asked for.
std::string gPopoverKind;

std::u16string utf16Of(const Ref<foundation::String>& text)
{
    return text ? text->utf16() : std::u16string();
}

} // namespace

void KXHomeListView::confirmBtnClickWithString(const Ref<foundation::String>& text)
{
    setCustomTextActive(true);
    // The editor keeps its field to this already; a text from elsewhere gets the same bounds.
    customStr_ = foundation::String::createWithUTF16(KXCustomText::fieldText(utf16Of(text)));
    changeFontImage();
}

void KXHomeListView::changeFontImage()
{
    if (!customStr_ || customStr_->length() == 0) {
        setData();
        setCustomTextActive(false);
        return;
    }
    if (tabTypeNum_ == ModeLocal) {
        if (dataArray_)
            for (const Id& row : *dataArray_)
                if (auto* record = row.ptr<KXFontBaseModel>())
                    record->localTitle = customStr_;
        reloadData();
        return;
    }
    if (!dataArray_)
        return;
    const auto slice = KXCustomText::sliceAround(listTableView_->visibleRows().first, model_->rowCount());
    auto records = KXCustomText::sliceRecords(*dataArray_, slice);
    if (records.empty())
        return;
    const std::string ids = KXCustomText::idsText(records);
    const unsigned long long generation = ++customGeneration_;
    std::string text = customStr_->utf8();
    KXHTTPBUSINESS().GetFontImgsByString(Id(customStr_), Id(ids),
        dispatch::guardedQt(this,
            [records = std::move(records), slice, generation, text = std::move(text)](
                KXHomeListView& list, const Id& reply) {
                list.getNewShowData(reply["corvane_data"]["lists"], records, slice, generation, text);
            }),
        [](const Ref<foundation::Error>&) {});
}

void KXHomeListView::getNewShowData(const Id& lists, std::vector<Ref<KXFontBaseModel>> records,
    KXCustomText::Slice range, unsigned long long generation, std::string text)
{
    (void)range; // the rows are found by their records when the previews are applied
    std::vector<int> fontids;
    fontids.reserve(records.size());
    for (const auto& record : records)
        fontids.push_back(record->fontid);
    // Matching reads the reply only; the records change on the main queue, where the rows paint.
    QPointer<KXHomeListView> list(this);
    dispatch::globalQueue().async([list, lists, fontids = std::move(fontids), records = std::move(records),
                                      generation, text = std::move(text)]() mutable {
        auto matches = KXCustomText::match(lists, fontids);
        dispatch::mainQueue().async([list, records = std::move(records), matches = std::move(matches),
                                        generation, text = std::move(text)] {
            if (list)
                list->applyCustomPreviews(records, matches, generation, text);
        });
    });
}

void KXHomeListView::applyCustomPreviews(const std::vector<Ref<KXFontBaseModel>>& records,
    const std::vector<std::optional<KXCustomText::Match>>& matches, unsigned long long generation,
    const std::string& text)
{
    if (generation != customGeneration_ || !customStr_ || customStr_->utf8() != text)
        return;
    std::vector<Ref<KXFontBaseModel>> changed;
    for (std::size_t index = 0; index < records.size() && index < matches.size(); ++index) {
        if (!matches[index])
            continue;
        const auto& record = records[index];
        record->image = matches[index]->image;
        record->night_image = matches[index]->nightImage;
        record->isnew_imgage = foundation::String::create("");
        changed.push_back(record);
    }
    const auto version = foundation::UserDefaults::standardUserDefaults().stringForKey("SystemVersion");
    if (KXCustomText::reloadsWholeTable(version ? version->utf8() : std::string())) {
        reloadData();
        return;
    }
    for (const auto& record : changed)
        model_->reloadRecord(record);
}

void KXHomeListView::scrollViewbeginScroll()
{
    KXGlobalDataBase::sharedKXGlobalDataBase().setScrollSate(true);
    qCDebug(kxPages).noquote() << QStringLiteral("------------开始滚动");
}

void KXHomeListView::scrollViewEndScroll()
{
    KXGlobalDataBase::sharedKXGlobalDataBase().setScrollSate(false);
    qCDebug(kxPages).noquote() << QStringLiteral("------------结束滚动");
    if (tabTypeNum_ == ModeCloud && isCustomTextActive())
        changeFontImage();
}

void KXHomeListView::sortingClick()
{
    if (tabTypeNum_ != ModeCloud) {
        if (const auto owner = delegate())
            owner->backToCloudBtn();
        return;
    }
    std::fprintf(stderr, "font list: no sort button to open the sort popover at, nothing opens\n");
}

void KXHomeListView::imgSizeClick()
{
    gPopoverKind = "imgsize";
    if (!sliderPopover_)
        sliderPopover_ = new KXCustomSliderPopoverController(this);
    sliderPopover_->setDelegate(adapter_);
}
