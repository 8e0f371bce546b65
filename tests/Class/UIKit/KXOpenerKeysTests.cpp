// The keys when a window of ours closes while it holds them: back to the window that opened it.
#include "Class/UIKit/KXOpenerKeys.h"

#include "Class/UIKit/KXTransientWindows.h"
#include "Platform/Dispatch/Clock.h"

#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QTest>
#include <QWindow>
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

namespace {

// The main window, a window opened over it with a field that holds the keys, and what it opens
// in turn: a file dialog's stand-in, modal as a dialog that runs is.
struct OpenerChain {
    OpenerChain()
        : opener(kx_makeTransientWindow(&main, QSize(300, 200)))
        , field(new QLineEdit(opener.get()))
        , dialog(new QDialog(opener.get()))
    {
        kx_handKeysBackToOpeners();
        main.resize(400, 600);
        main.show();
        opener->show();
        field->setFocus();
        activate(opener.get());
        dialog->setWindowModality(Qt::ApplicationModal);
        dialog->resize(200, 100);
    }

    // Activates the window and lets every activation still on its way arrive.
    static bool activate(QWidget* window)
    {
        window->activateWindow();
        const bool active = QTest::qWaitForWindowActive(window);
        QApplication::processEvents();
        return active && QApplication::activeWindow() == window;
    }

    QWidget main;
    std::unique_ptr<QWidget> opener;
    QLineEdit* field;
    QDialog* dialog;
};

// A window manager that activates the first window of the chain as `closing` hides: before
// anything the application asks after the hide, or after it.
struct FirstOfTheChainTakesTheKeys : QObject {
    FirstOfTheChainTakesTheKeys(QWidget* closing, QWidget* first)
        : closing(closing)
        , first(first)
    {
        // Filters installed later are asked first.
        qApp->installEventFilter(this);
    }
    ~FirstOfTheChainTakesTheKeys() override { qApp->removeEventFilter(this); }
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched != closing || event->type() != QEvent::Hide)
            return false;
        if (late)
            QMetaObject::invokeMethod(first, [first = first] { first->activateWindow(); }, Qt::QueuedConnection);
        else
            first->activateWindow();
        return false;
    }
    QWidget* closing;
    QWidget* first;
    bool late = false;
};

} // namespace

// Escape or an accept: the keys go back to the field of the window that opened the dialog, not to
// the main window a window manager hands them to as the dialog goes, whether it makes that choice
// before the application asks for the opener or after.
TEST(KXOpenerKeys, ADialogThatClosesGivesTheKeysBackToTheWindowThatOpenedIt)
{
    dispatch::VirtualClock::Scope clock;
    OpenerChain chain;
    ASSERT_EQ(QApplication::activeWindow(), chain.opener.get());
    FirstOfTheChainTakesTheKeys windowManager(chain.dialog, &chain.main);
    for (const auto& close : std::vector<std::function<void(QDialog&)>>{
             [](QDialog& dialog) { QTest::keyClick(&dialog, Qt::Key_Escape); },
             [](QDialog& dialog) { dialog.accept(); },
         }) {
        windowManager.late = !windowManager.late;
        SCOPED_TRACE(windowManager.late ? "the window manager's choice after the request" : "before");
        chain.dialog->show();
        ASSERT_TRUE(OpenerChain::activate(chain.dialog));
        close(*chain.dialog);
        QApplication::processEvents();
        QApplication::processEvents();
        EXPECT_EQ(QApplication::activeWindow(), chain.opener.get());
        EXPECT_EQ(QApplication::focusWidget(), chain.field);
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("ab"));
    }
    EXPECT_EQ(chain.field->text(), QStringLiteral("abab")) << "typing reaches the field each time";

    // A window manager that hands the keys to the opener itself: once the moment has passed, a
    // click on the main window keeps them there.
    windowManager.closing = nullptr;
    chain.dialog->show();
    ASSERT_TRUE(OpenerChain::activate(chain.dialog));
    chain.dialog->reject();
    EXPECT_TRUE(QTest::qWaitForWindowActive(chain.opener.get()));
    clock.advance(kx_openerKeysMoment);
    EXPECT_TRUE(OpenerChain::activate(&chain.main));
}

// Only a window or a dialog that holds the keys hands them on, and only to an opener that shows.
TEST(KXOpenerKeys, OnlyAWindowHoldingTheKeysHandsThemToAnOpenerThatShows)
{
    OpenerChain chain;
    chain.dialog->show();
    ASSERT_TRUE(OpenerChain::activate(chain.dialog));
    QWindow* dialogKeys = chain.dialog->windowHandle();
    EXPECT_EQ(kx_openerTakingKeys(chain.dialog, dialogKeys), chain.opener.get());
    EXPECT_EQ(kx_openerTakingKeys(chain.dialog, chain.main.windowHandle()), nullptr) << "the keys are elsewhere";
    EXPECT_EQ(kx_openerTakingKeys(chain.field, dialogKeys), nullptr) << "not a window";
    EXPECT_EQ(kx_openerTakingKeys(chain.opener.get(), chain.opener->windowHandle()), &chain.main);
    EXPECT_EQ(kx_openerTakingKeys(&chain.main, chain.main.windowHandle()), nullptr) << "no opener";

    QWidget popup(chain.opener.get(), Qt::Popup);
    popup.resize(50, 50);
    popup.show();
    EXPECT_EQ(kx_openerTakingKeys(&popup, popup.windowHandle()), nullptr) << "a pop-up hands nothing";
    popup.hide();

    chain.opener->showMinimized();
    QApplication::processEvents();
    EXPECT_EQ(kx_openerTakingKeys(chain.dialog, dialogKeys), nullptr) << "a minimised opener stays down";
    chain.opener->hide();
    EXPECT_EQ(kx_openerTakingKeys(chain.dialog, dialogKeys), nullptr) << "a closed opener stays closed";
    chain.dialog->hide();
}
