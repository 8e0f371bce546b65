#pragma once

#include "Class/Store/KXStoreTableCellView.h"
#include "Platform/Foundation/Object.h"

class ImageView;
class KXStoreBox;
class QLabel;

// A category tile of the two-level offer browser: the category's icon and name. Nothing in the
// client shows it. Main thread only.
class KXKXFontsSaleAuthorizeCell : public KXStoreTableCellView {
    Q_OBJECT

public:
    explicit KXKXFontsSaleAuthorizeCell(QWidget* parent = nullptr);

    const foundation::Id& dataDic() const { return dataDic_; }
    void setDataDic(const foundation::Id& category);

    KXStoreBox* centerBgView() const { return centerBgView_; }
    ImageView* iconImg() const { return iconImg_; }
    QLabel* titleLabel() const { return titleLabel_; }

private:
    void setUPUI();

    foundation::Id dataDic_;
    KXStoreBox* centerBgView_ = nullptr;
    ImageView* iconImg_ = nullptr;
    QLabel* titleLabel_ = nullptr;
};
