// The keys when a window of ours closes while it holds them: back to the window that opened it.
#include "Class/UIKit/KXOpenerKeys.h"
#include "Class/UIKit/KXTransientWindows.h"
#include "Platform/Desktop/FocusQueries.h"
#include "Platform/Dispatch/Clock.h"

#include <QApplication>
#include <QDialog>
#include <QExposeEvent>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QWindow>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

namespace {

// The main window, a window opened over it with a field that holds the keys, and what it opens
// in turn: a file dialog's stand-in, modal as a dialog that runs is.
struct OpenerChain {
    OpenerChain()
        : opener(kx_makeTransientWindow(&main, QSize(300, 200), QStringLiteral("opener")))
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

    // Lets the application take the turns it needs to see where the keys went and to act on it.
    static void settle()
    {
        for (int turn = 0; turn < 3; ++turn)
            QApplication::processEvents();
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
            QMetaObject::invokeMethod(
                first, [first = first] { first->activateWindow(); }, Qt::QueuedConnection);
        else
            first->activateWindow();
        return false;
    }
    QWidget* closing;
    QWidget* first;
    bool late = false;
};

// Plays the window manager as the window server tells it: it names the window that has the keys
// as the active one; every window is the client's own but `anotherProgram`, which stands for a
// window of another program the person goes to.
struct WindowServerStandIn : QObject {
    explicit WindowServerStandIn(std::initializer_list<QWidget*> own)
    {
        for (QWidget* window : own)
            queries().addOwnWindow(window->winId());
        anotherProgram.resize(120, 80);
        // A momentary lack of keys leaves the last one named, as a window manager may; it never
        // names a pop-up.
        connect(qGuiApp, &QGuiApplication::focusWindowChanged, this, [this](QWindow* focus) {
            if (focus && focus->type() != Qt::Popup && focus->type() != Qt::ToolTip)
                queries().setActiveWindow(focus->winId());
        });
    }
    desktop::FakeFocusQueries& queries() { return scoped.queries(); }

    // The person clicks into another program: it becomes the active window, and the press goes to
    // that program, never to the client.
    void personGoesToAnotherProgram()
    {
        anotherProgram.show();
        ASSERT_TRUE(OpenerChain::activate(&anotherProgram));
    }

    desktop::ScopedFakeFocusQueries scoped;
    QWidget anotherProgram;
};

// How a window was last shown: with the attribute that tells the window manager to leave the keys
// where they are, or without it.
struct ShowingWatch : QObject {
    explicit ShowingWatch(QWidget* window) { window->installEventFilter(this); }
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Show)
            withoutKeys = static_cast<QWidget*>(watched)->testAttribute(Qt::WA_ShowWithoutActivating);
        return false;
    }
    bool withoutKeys = false;
};

// A window of another program moves across `window` and back.
void expose(QWidget* window)
{
    QExposeEvent exposed(QRegion(QRect(QPoint(), window->windowHandle()->size())));
    QCoreApplication::sendEvent(window->windowHandle(), &exposed);
    OpenerChain::settle();
}

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
    for (const auto& close : std::vector<std::function<void(QDialog&)>> {
             [](QDialog& dialog) { QTest::keyClick(&dialog, Qt::Key_Escape); },
             [](QDialog& dialog) { dialog.accept(); },
         }) {
        windowManager.late = !windowManager.late;
        SCOPED_TRACE(windowManager.late ? "the window manager's choice after the request" : "before");
        chain.dialog->show();
        ASSERT_TRUE(OpenerChain::activate(chain.dialog));
        close(*chain.dialog);
        OpenerChain::settle();
        EXPECT_EQ(QApplication::activeWindow(), chain.opener.get());
        EXPECT_EQ(QApplication::focusWidget(), chain.field);
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("ab"));
    }
    EXPECT_EQ(chain.field->text(), QStringLiteral("abab")) << "typing reaches the field each time";

    // A window manager that makes its choice long after the request: still fetched back.
    chain.dialog->show();
    ASSERT_TRUE(OpenerChain::activate(chain.dialog));
    chain.dialog->reject();
    ASSERT_TRUE(QTest::qWaitForWindowActive(chain.opener.get()));
    clock.advance(2);
    chain.main.activateWindow();
    OpenerChain::settle();
    EXPECT_EQ(QApplication::activeWindow(), chain.opener.get()) << "a late choice of the window manager's";

    // The person's click on the main window keeps the keys there, however soon it comes; the
    // click reaches the application after the keys it moved.
    windowManager.closing = nullptr;
    chain.dialog->show();
    ASSERT_TRUE(OpenerChain::activate(chain.dialog));
    chain.dialog->reject();
    ASSERT_TRUE(QTest::qWaitForWindowActive(chain.opener.get()));
    chain.main.activateWindow();
    QTest::mouseClick(&chain.main, Qt::LeftButton, {}, QPoint(10, 10));
    OpenerChain::settle();
    EXPECT_EQ(QApplication::activeWindow(), &chain.main);
}

// A window manager that focuses on a click moves the keys first and hands the application the
// click after: a click that comes a turn after the keys it moved keeps them on the main window,
// while keys the window manager alone moved there still go back to the opener.
TEST(KXOpenerKeys, AClickThatComesAfterTheKeysItMovedKeepsThemWhereItWent)
{
    OpenerChain chain;
    bool clicks = true;
    QObject windowManager;
    QObject::connect(qGuiApp, &QGuiApplication::focusWindowChanged, &windowManager, [&](QWindow* focus) {
        if (!clicks || focus != chain.main.windowHandle())
            return;
        QMetaObject::invokeMethod(
            &windowManager, [&] { QTest::mouseClick(&chain.main, Qt::LeftButton, {}, QPoint(10, 10)); },
            Qt::QueuedConnection);
    });
    for (const bool click : { true, false }) {
        clicks = click;
        SCOPED_TRACE(click ? "a click on the main window" : "the window manager alone");
        chain.dialog->show();
        ASSERT_TRUE(OpenerChain::activate(chain.dialog));
        chain.dialog->reject();
        ASSERT_TRUE(QTest::qWaitForWindowActive(chain.opener.get()));
        chain.main.windowHandle()->requestActivate();
        OpenerChain::settle();
        EXPECT_EQ(QApplication::activeWindow(), click ? &chain.main : chain.opener.get());
    }
}

// The toolkit's file dialog accepted with Return on a typed name: the keys go back to the field
// of the window that opened it, wherever the window manager puts them as the dialog goes.
TEST(KXOpenerKeys, AFileDialogAcceptedWithTheKeyboardGivesTheKeysBackToItsOpener)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    QFile cover(folder.filePath(QStringLiteral("cover.png")));
    ASSERT_TRUE(cover.open(QIODevice::WriteOnly));
    cover.close();
    OpenerChain chain;
    WindowServerStandIn windowServer { &chain.main, chain.opener.get() };
    for (const bool late : { false, true }) {
        SCOPED_TRACE(late ? "the window manager's choice after the request" : "before");
        QFileDialog dialog(chain.opener.get(), QStringLiteral("cover"), folder.path());
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        dialog.setFileMode(QFileDialog::ExistingFile);
        windowServer.queries().addOwnWindow(dialog.winId());
        FirstOfTheChainTakesTheKeys windowManager(&dialog, &chain.main);
        windowManager.late = late;
        dialog.open();
        ASSERT_TRUE(OpenerChain::activate(&dialog));
        auto* name = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        ASSERT_NE(name, nullptr);
        name->setFocus();
        QTest::keyClicks(name, QStringLiteral("cover.png"));
        QApplication::processEvents();
        // The key goes where the keys are: the name field, or the completion list over it.
        QWidget* typedInto = QApplication::activePopupWidget() ? QApplication::activePopupWidget() : name;
        QTest::keyClick(typedInto, Qt::Key_Return);
        OpenerChain::settle();
        ASSERT_EQ(dialog.result(), QDialog::Accepted);
        ASSERT_FALSE(dialog.isVisible());
        EXPECT_EQ(QApplication::activeWindow(), chain.opener.get());
        EXPECT_EQ(QApplication::focusWidget(), chain.field);
    }
}

// Only a window or a dialog that holds the keys hands them on, and only to an opener that shows.
TEST(KXOpenerKeys, OnlyAWindowHoldingTheKeysHandsThemToAnOpenerThatShows)
{
    OpenerChain chain;
    chain.dialog->show();
    ASSERT_TRUE(OpenerChain::activate(chain.dialog));
    QWindow* dialogKeys = chain.dialog->windowHandle();
    EXPECT_EQ(kx_openerTakingKeys(chain.dialog, dialogKeys), chain.opener.get());
    EXPECT_EQ(kx_openerTakingKeys(chain.dialog, chain.main.windowHandle()), nullptr)
        << "the keys are elsewhere";
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

// After a dialog closes, with Escape or hidden by the program, the person clicks into another
// program and moves its window across the opener and back: the keys stay with that program.
TEST(KXOpenerKeys, KeysThePersonGaveAnotherProgramStayThereWhenTheOpenerIsExposed)
{
    OpenerChain chain;
    WindowServerStandIn windowServer { &chain.main, chain.opener.get(), chain.dialog };
    FirstOfTheChainTakesTheKeys windowManager(chain.dialog, &chain.main);
    for (const bool escape : { true, false }) {
        SCOPED_TRACE(escape ? "closed with Escape" : "hidden by the program");
        chain.dialog->show();
        ASSERT_TRUE(OpenerChain::activate(chain.dialog));
        if (escape)
            QTest::keyClick(chain.dialog, Qt::Key_Escape);
        else
            chain.dialog->hide();
        OpenerChain::settle();
        ASSERT_EQ(QApplication::activeWindow(), chain.opener.get()) << "the keys went back to the opener";

        windowServer.personGoesToAnotherProgram();
        for (int across = 0; across < 2; ++across) {
            expose(chain.opener.get());
            EXPECT_EQ(QApplication::activeWindow(), &windowServer.anotherProgram) << "exposure " << across;
        }
        // Keys the window manager then hands to the main window stay there too.
        chain.main.activateWindow();
        OpenerChain::settle();
        EXPECT_EQ(QApplication::activeWindow(), &chain.main);
        windowServer.anotherProgram.hide();
    }
}

// A window that asks for the keys while another program's dialog holds them (an alert for a link
// that program sent) takes them once that dialog goes, whatever the window manager names for a
// moment; once the person goes to another window of that program, it no longer asks.
TEST(KXOpenerKeys, AWindowAskingOverAnotherProgramsDialogTakesTheKeysOnceItGoes)
{
    QWidget main;
    main.resize(400, 600);
    main.show();
    QDialog alert(&main);
    alert.resize(200, 100);
    WindowServerStandIn windowServer { &main, &alert };
    QWidget& otherDialog = windowServer.anotherProgram;
    for (const bool namedAfterItWent : { true, false }) {
        SCOPED_TRACE(namedAfterItWent ? "the dialog still named active" : "no window named active");
        windowServer.personGoesToAnotherProgram();
        alert.show();
        kx_askForKeys(&alert);
        // The window manager refused: the other program's dialog kept the keys.
        ASSERT_TRUE(OpenerChain::activate(&otherDialog));
        otherDialog.hide();
        if (!namedAfterItWent)
            windowServer.queries().setActiveWindow(0);
        expose(&alert);
        EXPECT_TRUE(QTest::qWaitForWindowActive(&alert));
        EXPECT_EQ(QApplication::activeWindow(), &alert);
        alert.hide();
    }

    windowServer.personGoesToAnotherProgram();
    alert.show();
    kx_askForKeys(&alert);
    ASSERT_TRUE(OpenerChain::activate(&otherDialog));
    // The person goes to another window of that program.
    QWidget otherMain;
    otherMain.resize(300, 300);
    otherMain.show();
    ASSERT_TRUE(OpenerChain::activate(&otherMain));
    otherDialog.hide();
    expose(&alert);
    EXPECT_EQ(QApplication::activeWindow(), &otherMain);
    alert.hide();
}

// A window of ours that asks for the keys while ours hold them keeps them when the window that
// held them closes in the same turn (the sign-in window that opened the agreement), whichever
// comes first: no hand-back to the main window behind, neither then nor as it is exposed.
TEST(KXOpenerKeys, AWindowThatAsksForTheKeysWhileOursHoldThemEndsTheHandBack)
{
    OpenerChain chain;
    std::unique_ptr<QWidget> agreement(
        kx_makeTransientWindow(&chain.main, QSize(200, 150), QStringLiteral("agreement")));
    for (const bool askFirst : { true, false }) {
        SCOPED_TRACE(
            askFirst ? "asked, then the sign-in window closes" : "the sign-in window closes, then asked");
        chain.opener->show();
        ASSERT_TRUE(OpenerChain::activate(chain.opener.get()));
        if (askFirst) {
            kx_showCentred(agreement.get());
            chain.opener->hide();
        } else {
            chain.opener->hide();
            kx_showCentred(agreement.get());
        }
        OpenerChain::settle();
        EXPECT_EQ(QApplication::activeWindow(), agreement.get());
        expose(&chain.main);
        EXPECT_EQ(QApplication::activeWindow(), agreement.get()) << "the main window, exposed, asks nothing";
        agreement->hide();
        OpenerChain::settle();
    }
}

// A window the client opens by itself (a failed helper program's alert, a reply's window) while
// the person works in another program shows without taking the keys from it, neither as it
// shows nor as it is exposed; opened while a window of ours holds the keys, it takes them. (The
// offscreen platform activates every window it shows, as no window manager does for a window
// shown without activation: the test hands the keys back to the other program itself.)
TEST(KXOpenerKeys, AWindowTheClientOpensByItselfNeverTakesTheKeysFromAnotherProgram)
{
    QWidget main;
    main.resize(400, 600);
    main.show();
    std::unique_ptr<QWidget> alert(kx_makeTransientWindow(&main, QSize(200, 100), QStringLiteral("alert")));
    ShowingWatch showing(alert.get());
    WindowServerStandIn windowServer { &main, alert.get() };
    ASSERT_TRUE(OpenerChain::activate(&main));
    EXPECT_TRUE(kx_keysWithinClient());

    windowServer.personGoesToAnotherProgram();
    EXPECT_FALSE(kx_keysWithinClient());
    kx_showCentred(alert.get());
    EXPECT_TRUE(alert->isVisible());
    EXPECT_TRUE(showing.withoutKeys) << "shown without activation";
    EXPECT_FALSE(alert->testAttribute(Qt::WA_ShowWithoutActivating)) << "only for that showing";
    ASSERT_TRUE(OpenerChain::activate(&windowServer.anotherProgram));
    expose(alert.get());
    EXPECT_EQ(QApplication::activeWindow(), &windowServer.anotherProgram) << "nothing asks for the keys";
    alert->hide();

    ASSERT_TRUE(OpenerChain::activate(&main));
    kx_showCentred(alert.get());
    EXPECT_FALSE(showing.withoutKeys);
    OpenerChain::settle();
    EXPECT_EQ(QApplication::activeWindow(), alert.get());
    alert->hide();
}

// Showing a window by itself while another program holds the keys makes its native window before
// the show, and only its own: the widgets of the window it is transient for, and of that window's
// opener, stay inside their windows. (Made windows of their own, they would take the presses and
// paints of everything laid over them within the window.)
TEST(KXOpenerKeys, AWindowShownWithoutTheKeysMakesNoWidgetOfItsOpenersAWindowOfItsOwn)
{
    QWidget main;
    main.resize(400, 600);
    auto* mainContent = new QWidget(&main);
    mainContent->setGeometry(0, 20, 400, 580);
    main.show();
    std::unique_ptr<QWidget> opener(kx_makeTransientWindow(&main, QSize(300, 200), QStringLiteral("opener")));
    auto* openerContent = new QLineEdit(opener.get());
    opener->show();
    std::unique_ptr<QWidget> alert(
        kx_makeTransientWindow(opener.get(), QSize(200, 100), QStringLiteral("alert")));
    auto* alertButton = new QWidget(alert.get());
    mainContent->setObjectName(QStringLiteral("the main window's content"));
    openerContent->setObjectName(QStringLiteral("the opener's field"));
    alertButton->setObjectName(QStringLiteral("the window's own button"));

    kx_showOwnWindow(alert.get(), false);
    ASSERT_TRUE(alert->isVisible());
    ASSERT_NE(alert->windowHandle(), nullptr);
    for (const QWidget* inside :
        std::initializer_list<const QWidget*> { mainContent, openerContent, alertButton })
        EXPECT_EQ(inside->internalWinId(), 0u) << inside->objectName().toStdString() << " was made a window";
    EXPECT_FALSE(opener->testAttribute(Qt::WA_NativeWindow));
    alert->hide();
}
