#pragma once

#include "Class/Store/KXStoreTableCellView.h"
#include "Platform/Foundation/Object.h"

class KXStoreBox;
class KXStoreTextLabel;
class QLabel;

// An offer row of the two-level offer browser: name, scope, price "from" and, during a
// promotion, the struck list price. Main thread only.
class KXFontsSaleAuthorizeSecCell : public KXStoreTableCellView {
    Q_OBJECT

public:
    // The browser reuses its rows under the chooser's row identifier.
    static constexpr const char* kIdentifier = "KXKXFontsSaleAuthorizeCellID";

    explicit KXFontsSaleAuthorizeSecCell(QWidget* parent = nullptr);

    const foundation::Id& dataDic() const { return dataDic_; }
    void setDataDic(const foundation::Id& offer);

    QLabel* titleLabel() const { return titleLabel_; }
    QLabel* contentLabel() const { return contentLabel_; }
    KXStoreTextLabel* priceLabel() const { return priceLabel_; }
    KXStoreTextLabel* oriPriceLabel() const { return oriPriceLabel_; }
    KXStoreBox* centerBgView() const { return centerBgView_; }

private:
    void setUPUI();

    foundation::Id dataDic_;
    KXStoreBox* centerBgView_ = nullptr;
    QLabel* titleLabel_ = nullptr;
    QLabel* contentLabel_ = nullptr;
    KXStoreTextLabel* priceLabel_ = nullptr;
    KXStoreTextLabel* oriPriceLabel_ = nullptr;
};
