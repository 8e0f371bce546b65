#pragma once

#include "Class/ServiceCore/Catalogue/KXFontBaseModel.h"
#include "Platform/Foundation/Dictionary.h"
#include "Platform/Foundation/String.h"

// What the filter panels' rows report to the panel that shows them. Each method does nothing unless
// implemented; the rows hold their delegate weakly.

class KXHomeFilterViewTopicCellDelegate {
public:
    virtual ~KXHomeFilterViewTopicCellDelegate() = default;
    // A topic button: its marketing code.
    virtual void filterViewTopicCellClick(const foundation::Ref<foundation::String>& value) { (void)value; }
};

class KXHomeFilterViewHeaderCellDelegate {
public:
    virtual ~KXHomeFilterViewHeaderCellDelegate() = default;
    // The header of the category whose header row is `groupID`: collapse or expand its tags.
    virtual void headArrorClick(long long groupID) { (void)groupID; }
};

class KXHomeFilterViewListCellDelegate {
public:
    virtual ~KXHomeFilterViewListCellDelegate() = default;
    // A tag button: {category name: tag id}.
    virtual void filterViewCellTagClick(const foundation::Ref<foundation::Dictionary>& tag) { (void)tag; }
};

class KXFilterFontWeighCellDelegate {
public:
    virtual ~KXFilterFontWeighCellDelegate() = default;
    // A weight button: {weight category name: weight code}.
    virtual void KXFilterFontWeighCellBtnClick(const foundation::Ref<foundation::Dictionary>& tag) { (void)tag; }
};

// Everything a filter table's rows report; the side panel and the advanced page implement it.
class KXFilterTableDelegate : public KXHomeFilterViewTopicCellDelegate,
                              public KXHomeFilterViewHeaderCellDelegate,
                              public KXHomeFilterViewListCellDelegate,
                              public KXFilterFontWeighCellDelegate {
};
