#pragma once

#include "Class/Store/KXStoreTableCellView.h"
#include "Platform/Foundation/Dictionary.h"

#include <QPointer>
#include <memory>

class ImageView;
class KXBaseButton;
class KXFontBaseModel;
class QLabel;

// What a cart row tells its panel; the method defaults to doing nothing.
class KXFontSaleListCellDelegate {
public:
    virtual ~KXFontSaleListCellDelegate() = default;
    // {"fontid": the row's font id, "state": the box's state after the click}.
    virtual void KXFontSaleListCellClick(const foundation::Ref<foundation::Dictionary>& info) { (void)info; }
};

template <class Owner> class KXFontSaleListCellForwarder final : public KXFontSaleListCellDelegate {
public:
    explicit KXFontSaleListCellForwarder(Owner* owner)
        : owner_(owner)
    {
    }
    void KXFontSaleListCellClick(const foundation::Ref<foundation::Dictionary>& info) override
    {
        if (owner_)
            owner_->KXFontSaleListCellClick(info);
    }

private:
    QPointer<Owner> owner_;
};

// One cart row: its check box, the font's name and its preview. The panel sets the state from
// its own ticks each time it shows the row. Main thread only.
class KXFontSaleListCell : public KXStoreTableCellView {
    Q_OBJECT

public:
    static constexpr const char* kIdentifier = "KXFontSaleListCellID";

    explicit KXFontSaleListCell(QWidget* parent = nullptr);

    const foundation::Ref<KXFontBaseModel>& dataDic() const { return dataDic_; }
    void setDataDic(foundation::Ref<KXFontBaseModel> model);
    long long state() const { return state_; }
    void setState(long long state);
    void setDelegate(const std::shared_ptr<KXFontSaleListCellDelegate>& delegate) { delegate_ = delegate; }

    KXBaseButton* checkBtn() const { return checkBtn_; }
    QLabel* titlelabel() const { return titlelabel_; }
    ImageView* imgView() const { return imgView_; }

private:
    void setUPUI();
    void checkBtnClick();

    foundation::Ref<KXFontBaseModel> dataDic_;
    long long state_ = 0;
    std::weak_ptr<KXFontSaleListCellDelegate> delegate_;
    KXBaseButton* checkBtn_ = nullptr;
    QLabel* titlelabel_ = nullptr;
    ImageView* imgView_ = nullptr;
};
