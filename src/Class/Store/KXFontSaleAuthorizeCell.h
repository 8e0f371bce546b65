#pragma once

#include "Class/Store/Core/KXStoreGeometry.h"
#include "Class/Store/KXStoreTableCellView.h"
#include "Platform/Foundation/Array.h"

#include <QPointer>
#include <memory>
#include <vector>

class ImageView;
class KXBaseButton;
struct KXBaseButtonDelegate;
class QLabel;

// What a category row tells the chooser or the re-pick sheet; every method defaults to nothing.
class KXFontSaleAuthorizeCellDelegate {
public:
    virtual ~KXFontSaleAuthorizeCellDelegate() = default;
    // The offer record of the box clicked (the box has already changed its state).
    virtual void KXFontSaleAuthorizeCellButtonClick(const foundation::Id& offer) { (void)offer; }
    virtual void KXFontSaleAuthorizeCellButtonMouseEntered(KXBaseButton* box) { (void)box; }
    virtual void KXFontSaleAuthorizeCellButtonMouseExited(KXBaseButton* box) { (void)box; }
};

template <class Owner> class KXFontSaleAuthorizeCellForwarder final : public KXFontSaleAuthorizeCellDelegate {
public:
    explicit KXFontSaleAuthorizeCellForwarder(Owner* owner)
        : owner_(owner)
    {
    }
    void KXFontSaleAuthorizeCellButtonClick(const foundation::Id& offer) override
    {
        if (owner_)
            owner_->KXFontSaleAuthorizeCellButtonClick(offer);
    }
    void KXFontSaleAuthorizeCellButtonMouseEntered(KXBaseButton* box) override
    {
        if (owner_)
            owner_->KXFontSaleAuthorizeCellButtonMouseEntered(box);
    }
    void KXFontSaleAuthorizeCellButtonMouseExited(KXBaseButton* box) override
    {
        if (owner_)
            owner_->KXFontSaleAuthorizeCellButtonMouseExited(box);
    }

private:
    QPointer<Owner> owner_;
};

// One licence category of the chooser and the re-pick sheet: its icon and name, and one check box
// per offer (the first KXStoreGeometry::kChooserMostOffers), as many a line as the chooser's width holds
// (KXStoreGeometry: three at the designed width), titled with the offer's name and identified by its
// "brand_id". A box is ticked when the chosen offers (setSelectedOffers, the shared selectedAuthArray by
// default) hold an offer of the same "brand_id". Main thread only.
class KXFontSaleAuthorizeCell : public KXStoreTableCellView {
    Q_OBJECT

public:
    static constexpr const char* kIdentifier = "KXKXFontsSaleAuthorizeCellID";

    explicit KXFontSaleAuthorizeCell(QWidget* parent = nullptr);
    ~KXFontSaleAuthorizeCell() override;

    const foundation::Id& dataDic() const { return dataDic_; }
    // The width of the chooser whose boxes this row lays out; the next setDataDic() uses it.
    void setLayoutWidth(double width) { layoutWidth_ = width; }
    // Shows a category record; the boxes are laid out anew.
    void setDataDic(const foundation::Id& category);
    // The offers that show as ticked; nil reads the shared selectedAuthArray.
    void setSelectedOffers(foundation::Ref<foundation::Array> offers) { selectedOffers_ = std::move(offers); }
    void setDelegate(const std::shared_ptr<KXFontSaleAuthorizeCellDelegate>& delegate)
    {
        delegate_ = delegate;
    }

    ImageView* iconView();
    QLabel* titleLabel();
    const std::vector<KXBaseButton*>& boxes() const { return boxes_; }

    void btnClick(KXBaseButton* box);

private:
    void setUPUI();

    foundation::Id dataDic_;
    foundation::Ref<foundation::Array> selectedOffers_;
    std::weak_ptr<KXFontSaleAuthorizeCellDelegate> delegate_;
    std::shared_ptr<KXBaseButtonDelegate> hover_;
    ImageView* iconView_ = nullptr;
    QLabel* titleLabel_ = nullptr;
    std::vector<KXBaseButton*> boxes_;
    double layoutWidth_ = KXStoreGeometry::kDesignedWidth;
};
