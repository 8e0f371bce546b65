#pragma once

#include "Class/Favourites/KXFontGroupAddView.h"
#include "Class/FontList/Core/KXFontRowRoad.h"
#include "Class/FontList/KXFontListModel.h"
#include "Class/FontList/KXHomeListTableCellView.h"

#include <QPointer>

// A page of font rows (the folder and collection details) as the delegate of its rows, its road and
// the add-to-folder dialogs it opens: each call goes to the page of the same name, and does nothing
// once the page is gone. A page with a loginClick() is asked for the sign-in. Main thread only.
template <typename Page>
class KXFontRowsAdapter final : public KXHomeListTableCellViewDeleagte,
                                public KXFontRowRoadOwner,
                                public KXFontGroupAddViewDelegate {
public:
    explicit KXFontRowsAdapter(Page* page)
        : page_(page)
    {
    }
    void cellMouseDown(const foundation::Ref<KXFontBaseModel>& record) override
    {
        if (page_)
            page_->cellMouseDown(record);
    }
    void collectionBtnClick(const foundation::Ref<KXFontBaseModel>& record) override
    {
        if (page_)
            page_->collectionBtnClick(record);
    }
    void fontTitleClick(long long fontid) override
    {
        if (page_)
            page_->fontTitleClick(fontid);
    }
    void downloadTTFPath(const foundation::Ref<foundation::String>& path) override
    {
        if (page_)
            page_->downloadTTFPath(path);
    }
    void roadReloadRecord(const foundation::Ref<KXFontBaseModel>& record) override
    {
        if (page_ && page_->listModel())
            page_->listModel()->reloadRecord(record);
    }
    foundation::Ref<KXFontBaseModel> roadShownRecord(long long fontid) const override
    {
        return page_ && page_->listModel() ? page_->listModel()->recordOfFontid(fontid) : nullptr;
    }
    void roadAskSignIn() override
    {
        if constexpr (requires(Page & page) { page.loginClick(); }) {
            if (page_)
                page_->loginClick();
        }
    }
    void refreshowCell(long row) override
    {
        if (page_)
            page_->refreshowCell(row);
    }

private:
    QPointer<Page> page_;
};
