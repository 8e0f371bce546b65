#pragma once

#include "Class/Account/KXVeilView.h"

class ImageView;
class KXBaseButton;
class KXFilledView;

// The invitation to the QQ user group, laid over the whole main window after a first sign-in:
// the group's QR code (see kx_loadQQGroupCode) on a white card; both buttons close it. Main thread
// only.
class KXDiversionGroupView : public KXVeilView {
    Q_OBJECT

public:
    explicit KXDiversionGroupView(QWidget* parent = nullptr);

    QWidget* centerBgView() const;
    ImageView* QQERCodeImgView() const { return QQERCodeImgView_; }
    KXBaseButton* sureBtn() const { return sureBtn_; }
    KXBaseButton* cancelButton() const { return cancelButton_; }

    void cancelBtn();
    void sureBtnClick();

private:
    void setUPUI();

    KXFilledView* centerBgView_ = nullptr;
    ImageView* QQERCodeImgView_ = nullptr;
    KXBaseButton* sureBtn_ = nullptr;
    KXBaseButton* cancelButton_ = nullptr;
};
