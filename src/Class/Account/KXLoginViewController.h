#pragma once

#include <QPointer>
#include <QWidget>

#include <memory>

class KXBaseButton;
class KXFilledView;
class KXLoginQQView;
class KXQRCodeView;
class KXWechatQRPoll;
class QLabel;

// The login window's first panel: the WeChat QR code, polled until someone confirms it (see
// KXWechatQRPoll), with the ways to the account panel and to the QQ panel.
//
// A timed-out code shows the image "wechatCodeTimeOut" and arms the click on the image, which
// asks for a new code; a fresh code ignores clicks. Switching panels, closing the window or
// destroying the panel stops the polling; coming back from the account panel asks for a new code.
// A sign-in anywhere in the process ends the polling and shows the code as timed out.
// Without the web engine the QQ button is disabled and says why. Main thread only.
class KXLoginViewController : public QWidget {
    Q_OBJECT

public:
    // The QQ panel's size, to which the window grows.
    static constexpr int kQQWidth = 830;
    static constexpr int kQQHeight = 630;
    static constexpr double kQQGrowthSeconds = 0.5;

    explicit KXLoginViewController(QWidget* parent = nullptr);
    ~KXLoginViewController() override;

    KXFilledView* bgView() const { return bgView_; }
    KXQRCodeView* imgView() const { return imgView_; }
    KXBaseButton* phoneLoginButton() const { return phoneLoginButton_; }
    KXBaseButton* qqLoginButton() const { return qqLoginButton_; }
    const std::shared_ptr<KXWechatQRPoll>& poll() const { return poll_; }

    void loadWechatCode();
    void wechatCodeTimeOut();
    // Button actions: the account panel, the QQ panel.
    void phoneLogin();
    void qqLogin();

    // Grows the window to the QQ panel's size 60 points to the right (0.5 s, ease-in) and lays a
    // QQ panel over `host` at (0, 0, 830, 630); then runs `completion`. Shared with the account
    // panel's own way to QQ.
    static KXLoginQQView* switchToQQ(QWidget* host, std::function<void()> completion);

protected:
    void hideEvent(QHideEvent* event) override;

private:
    class PollDelegate;
    class PhoneMailDelegate;

    KXFilledView* bgView_ = nullptr;
    KXQRCodeView* imgView_ = nullptr;
    QLabel* titleLabel_ = nullptr;
    QLabel* hintLabel_ = nullptr;
    KXBaseButton* phoneLoginButton_ = nullptr;
    KXBaseButton* qqLoginButton_ = nullptr;
    std::shared_ptr<KXWechatQRPoll> poll_;
    std::shared_ptr<PollDelegate> pollDelegate_;
    std::shared_ptr<PhoneMailDelegate> phoneMailDelegate_;
};
