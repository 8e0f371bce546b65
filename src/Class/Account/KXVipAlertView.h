#pragma once

#include "Class/Account/KXVeilView.h"

class KXBaseButton;
class KXFilledView;
class QPlainTextEdit;

// The VIP privileges over a dimmed page: the privileges text of the user's VIP rule
// (KXUserCenterConfig's vipinfo, its escaped paragraph breaks made real) and a close button. A
// user without a VIP rule sees an empty text. Main thread only.
class KXVipAlertView : public KXVeilView {
    Q_OBJECT

public:
    explicit KXVipAlertView(QWidget* parent = nullptr);

    KXBaseButton* cancelBtn() const { return cancelBtn_; }
    QPlainTextEdit* textInfoView() const { return textInfoView_; }

    void cancelBtnClick();

private:
    void setUPUI();

    KXFilledView* centerBg_ = nullptr;
    KXBaseButton* cancelBtn_ = nullptr;
    QPlainTextEdit* textInfoView_ = nullptr;
};
