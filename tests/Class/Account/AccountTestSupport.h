#pragma once

#include "Core/FakeSecretStore.h"
#include "ShellServiceTest.h"

#include "Platform/Dispatch/Subscription.h"
#include "Platform/Foundation/Foundation.h"

#include <QColor>
#include <QImage>
#include <QWidget>
#include <QString>

#include <memory>
#include <string>
#include <vector>

class QWidget;

namespace accounttest {

// The account pages against the in-process local service: a keyring in memory, the remembered
// account, the session's token and the sign-in flags cleared, and every "homeNotificationCenter"
// and every agreement window's "agreementClick" recorded. Toasts are the shared toast's text.
class AccountServiceTest : public shelltest::ShellServiceTest {
public:
    // Runs the main queue and Qt until `predicate` holds (20 s at most).
    static bool waitFor(const std::function<bool()>& predicate);
    // Runs pending events twice (a layout pass and what it scheduled).
    static void settle();

protected:
    void SetUp() override;
    void TearDown() override;

    // The "loginMessage" users posted so far.
    std::vector<foundation::Id> signIns() const;
    // Every "homeNotificationCenter" user info so far.
    const std::vector<foundation::Id>& events() const { return *events_; }
    // The "isAgree" values posted so far.
    const std::vector<std::string>& agreements() const { return *agreements_; }
    // The text of the toast on show ("" when none was shown since SetUp).
    static QString toastText();
    // Signs `name` in at the service and stores the session as the main window would; the user.
    foundation::Id signInAs(const std::string& name, const std::string& password);
    std::shared_ptr<FakeSecretStore> keyring_ = std::make_shared<FakeSecretStore>();

private:
    std::shared_ptr<std::vector<foundation::Id>> events_ = std::make_shared<std::vector<foundation::Id>>();
    std::shared_ptr<std::vector<std::string>> agreements_ = std::make_shared<std::vector<std::string>>();
    std::shared_ptr<KXSecretStore> previousKeyring_;
    dispatch::Subscription signInObservation_;
    dispatch::Subscription agreementObservation_;
};

// Grabs `widget` into <build>/screenshots/<name>.png; the image.
QImage screenshot(QWidget* widget, const QString& name);
// The colour at a point of a picture, given in points.
QColor colorAt(const QImage& image, QPoint point);

// What lies under an overlay in a picture: the list's background in the palette on show, with
// lines of preview text.
class Backdrop final : public QWidget {
public:
    explicit Backdrop(QSize size = QSize(700, 560));

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor fill_;
};

} // namespace accounttest
