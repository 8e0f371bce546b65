#pragma once

// The font list's delegate object, shared by the list's source files; not for use elsewhere.

#include "Class/FontList/Core/KXFontRowRoad.h"
#include "Class/FontList/KXCustomPopoverController.h"
#include "Class/FontList/KXCustomSliderPopoverController.h"
#include "Class/FontList/KXHomeEditStrView.h"
#include "Class/FontList/KXHomeListOverlays.h"
#include "Class/FontList/KXHomeListView.h"

#include <QPointer>

// The panel as the delegate of its rows, road, slider, popovers, editor and overlays: the views
// hold their delegates weakly and may outlive the panel, so this forwards to the panel while it
// lives and does nothing after.
class KXHomeListView::Adapter final : public KXHomeListTableCellViewDeleagte,
                                      public KXFontRowRoadOwner,
                                      public KXImageSliderViewDelegate,
                                      public KXCustomPopoverControllerDelegate,
                                      public KXCustomSliderPopoverControllerDelegate,
                                      public KXHomeEditStrViewDelegate,
                                      public KXHomeSearchViewDelegate,
                                      public KXFilterViewDelegate,
                                      public KXHomeFilterViewDelegate,
                                      public KXFontGroupAddViewDelegate {
public:
    explicit Adapter(KXHomeListView* list)
        : list_(list)
    {
    }

    void cellMouseDown(const foundation::Ref<KXFontBaseModel>& record) override
    {
        if (list_)
            list_->cellMouseDown(record);
    }
    void collectionBtnClick(const foundation::Ref<KXFontBaseModel>& record) override
    {
        if (list_)
            list_->collectionBtnClick(record);
    }
    void fontTitleClick(long long fontid) override
    {
        if (list_)
            list_->fontTitleClick(fontid);
    }
    void downloadTTFPath(const foundation::Ref<foundation::String>& path) override
    {
        if (list_)
            list_->downloadTTFPath(path);
    }
    void roadReloadRecord(const foundation::Ref<KXFontBaseModel>& record) override;
    foundation::Ref<KXFontBaseModel> roadShownRecord(long long fontid) const override;
    void roadAskSignIn() override
    {
        if (list_)
            list_->loginClick();
    }
    long long roadMode() const override { return list_ ? list_->tabTypeNum() : 0; }
    void sliderValueChange(float value) override
    {
        if (list_)
            list_->sliderValueChange(value);
    }
    void customPopoverControllerzDidChooseIndex(long long index) override
    {
        if (list_)
            list_->customPopoverControllerzDidChooseIndex(index);
    }
    void confirmBtnClickWithString(const foundation::Ref<foundation::String>& text) override
    {
        if (list_)
            list_->confirmBtnClickWithString(text);
    }
    void loginClick() override
    {
        if (list_)
            list_->loginClick();
    }
    void filterViewTagsClick(const foundation::Ref<foundation::Dictionary>& tags) override
    {
        if (list_)
            list_->filterViewTagsClick(tags);
    }
    void refreshowCell(long row) override
    {
        if (list_)
            list_->refreshowCell(row);
    }

private:
    QPointer<KXHomeListView> list_;
};
