#pragma once

#include "Class/Account/KXVeilView.h"

class ImageView;
class KXBaseButton;
class KXFilledView;

// The feedback page over the dimmed main window: a card that shows the QR code of the QQ user
// group (see kx_loadQQGroupCode), with a back button. Main thread only.
class KXPersonalFeedBack : public KXVeilView {
    Q_OBJECT

public:
    explicit KXPersonalFeedBack(QWidget* parent = nullptr);

    QWidget* headerBg() const;
    QWidget* centerBg() const;
    ImageView* QQERCodeImgView() const { return QQERCodeImgView_; }
    KXBaseButton* backButton() const { return backButton_; }

    void backClick();
    void upClick() { }

private:
    void setUPUI();

    KXFilledView* headerBg_ = nullptr;
    KXFilledView* centerBg_ = nullptr;
    ImageView* QQERCodeImgView_ = nullptr;
    KXBaseButton* backButton_ = nullptr;
};
