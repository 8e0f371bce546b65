// Escape, Return and the keys' owner for overlays and transient windows, by key events.
#include "Class/UIKit/KXOverlayKeys.h"

#include "Class/UIKit/KXBaseView.h"
#include "Class/UIKit/KXOpenFailedAlert.h"
#include "Class/UIKit/KXTransientWindows.h"

#include <QApplication>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QWindow>
#include <QTest>
#include <gtest/gtest.h>

#include <memory>

namespace {

struct Dialog {
    explicit Dialog(QWidget* parent)
        : overlay(new KXBaseView(parent))
        , cancel(new QPushButton(QStringLiteral("取消"), overlay))
        , confirm(new QPushButton(QStringLiteral("确定"), overlay))
    {
        overlay->setGeometry(parent->rect());
        QObject::connect(cancel, &QPushButton::clicked, [this] { ++cancels; });
        QObject::connect(confirm, &QPushButton::clicked, [this] { ++confirms; });
    }
    KXBaseView* overlay;
    QPushButton* cancel;
    QPushButton* confirm;
    int cancels = 0;
    int confirms = 0;
};

// Minimises the window and restores it as a window manager does: its children get spontaneous
// Hide and Show events while they stay visible.
void minimiseAndRestore(QWidget& window)
{
    window.setWindowState(Qt::WindowMinimized);
    QApplication::processEvents();
    window.setWindowState(Qt::WindowNoState);
    QApplication::processEvents();
}

} // namespace

TEST(KXOverlayKeys, EscapeAndReturnPressTheDeclaredControlsAndOtherKeysStopAtTheOverlay)
{
    QWidget window;
    window.resize(300, 200);
    auto* beneath = new QLineEdit(&window);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    beneath->setFocus();

    Dialog dialog(&window);
    kx_setOverlayKeys(dialog.overlay, dialog.cancel, dialog.confirm);
    auto* field = new QLineEdit(dialog.overlay);
    dialog.overlay->show();
    ASSERT_TRUE(dialog.overlay->isAncestorOf(QApplication::focusWidget()) || QApplication::focusWidget() == dialog.overlay)
        << "the overlay takes the keys when it shows";
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("abc"));
    EXPECT_TRUE(beneath->text().isEmpty());
    field->setFocus();
    QTest::keyClick(field, Qt::Key_Return);
    QTest::keyClick(field, Qt::Key_Escape);
    EXPECT_EQ(dialog.confirms, 1) << "Return from a field of the overlay";
    EXPECT_EQ(dialog.cancels, 1);

    dialog.cancel->setEnabled(false);
    dialog.confirm->setEnabled(false);
    QTest::keyClick(field, Qt::Key_Escape);
    QTest::keyClick(field, Qt::Key_Enter);
    EXPECT_EQ(dialog.cancels, 1) << "a disabled control does nothing";
    EXPECT_EQ(dialog.confirms, 1);

    dialog.overlay->hide();
    EXPECT_EQ(QApplication::focusWidget(), beneath) << "the keys go back when the overlay goes";
}

TEST(KXOverlayKeys, TransientWindowsCloseOnEscape)
{
    QWidget main;
    main.show();
    std::unique_ptr<QWidget> window(kx_makeTransientWindow(&main, QSize(200, 120), QStringLiteral("window")));
    auto* field = new QLineEdit(window.get());
    window->show();
    field->setFocus();
    QTest::keyClick(field, Qt::Key_Escape);
    EXPECT_FALSE(window->isVisible());
    EXPECT_TRUE(main.isVisible());

    QPointer<KXOpenFailedAlert> alert = KXOpenFailedAlert::showOver(&main, KXOpenFailedAlert::Kind::WebPage, "https://example.com/");
    ASSERT_TRUE(alert && alert->isVisible());
    QTest::keyClick(alert.data(), Qt::Key_Escape);
    EXPECT_TRUE(alert.isNull() || !alert->isVisible()) << "the alert, as its 知道了";
}

TEST(KXOverlayKeys, MinimiseAndRestoreLeaveTheKeysInAPageOrAnOverlay)
{
    QWidget window;
    window.resize(300, 200);
    auto* list = new QLineEdit(&window);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    list->setFocus();

    // A page over the list takes the keys and gives them back to the list when it goes.
    auto* page = new KXBaseView(&window);
    page->setGeometry(window.rect());
    auto* pageField = new QLineEdit(page);
    page->show();
    kx_takeKeys(page, list);
    pageField->setFocus();
    ASSERT_EQ(window.focusWidget(), pageField);
    minimiseAndRestore(window);
    EXPECT_TRUE(page->isVisible());
    EXPECT_EQ(window.focusWidget(), pageField) << "the page keeps the keys; the list behind it gets none";

    // An overlay with a field over the page: the field keeps the keys, not the overlay itself.
    Dialog dialog(&window);
    kx_setOverlayKeys(dialog.overlay, dialog.cancel, dialog.confirm);
    auto* name = new QLineEdit(dialog.overlay);
    dialog.overlay->show();
    name->setFocus();
    minimiseAndRestore(window);
    EXPECT_EQ(window.focusWidget(), name);

    // Put away for real, each still gives the keys back.
    dialog.overlay->hide();
    EXPECT_EQ(window.focusWidget(), pageField);
    page->hide();
    EXPECT_EQ(window.focusWidget(), list);
}
