#pragma once

#include "Class/Account/KXTransientWindow.h"
#include "Platform/Dispatch/Subscription.h"

#include <QObject>
#include <QString>

#include <functional>

class KXRegisterAgreementVC;

// The user agreement's window controller, made from the interface file "KXRegisterAgreementWC":
// a window transient for the window that opens it (the login window, or the main window after a
// sign-in of a user who has not agreed yet; the platform's level 11), system frame with an empty
// title and only a close button, content a new KXRegisterAgreementVC. The window is kept when
// closed. The user's close of a window still asking (Escape, the frame's close button, the window
// manager's close) refuses, as the refuse button does; a window the program hides answers nothing.
// Its answers go to the observers of this window (observeAnswers), never to those of another
// agreement window. Main thread only.
class KXRegisterAgreementWC : public QObject {
    Q_OBJECT

public:
    static constexpr int kWidth = 560;
    static constexpr int kHeight = 640;
    // The window's name in the window manager's frame and task bar.
    static constexpr const char* kTitle = "用户注册协议";

    explicit KXRegisterAgreementWC(const QString& windowNibName, QWidget* transientParent = nullptr);
    ~KXRegisterAgreementWC() override;

    const QString& windowNibName() const { return windowNibName_; }
    KXTransientWindow* window() const;
    KXRegisterAgreementVC* contentViewController() const { return content_; }
    void showCentred();
    // Hears this window's answers, true for an acceptance, for as long as the token lives. The
    // handler runs on the main thread as the answer is given; it must not outlive what it touches
    // (guard it, or keep the token beside it).
    [[nodiscard]] dispatch::Subscription observeAnswers(std::function<void(bool agreed)> answered) const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QString windowNibName_;
    KXOwnedWindow window_;
    KXRegisterAgreementVC* content_ = nullptr;
};
