#pragma once

#include "Class/UIKit/KXBaseView.h"

class KXBaseButton;
class KXRoundedBox;
class QLabel;

// The sign-out confirmation the personal centre lays over itself: a white card on a dimmed
// page. "退出登录" signs the user out (the session is cleared and "homeNotificationCenter" with
// {"loginOut": {"logint": "YES"}} tells the rest of the client) and closes the personal centre it
// lies on together with itself; "取消" closes only the confirmation. Main thread only.
class KXQuitView : public KXBaseView {
    Q_OBJECT

public:
    static constexpr double kDimming = 0.2;

    explicit KXQuitView(QWidget* parent = nullptr);

    QWidget* centerView() const;
    QLabel* messageLabel() const { return messageLabel_; }
    KXBaseButton* sureBtn() const { return sureBtn_; }
    KXBaseButton* cancelBtn() const { return cancelBtn_; }

    void cancelClick();
    void sureClick();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void setUPUI();

    KXRoundedBox* centerView_ = nullptr;
    QLabel* messageLabel_ = nullptr;
    KXBaseButton* sureBtn_ = nullptr;
    KXBaseButton* cancelBtn_ = nullptr;
};
