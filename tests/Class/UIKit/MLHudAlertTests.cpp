#include "Class/UIKit/MLHudAlert.h"

#include "Class/Theme/ToastPresenter.h"
#include "Class/UIKit/KXImage.h"
#include "Class/UIKit/MLHudAlertPresenter.h"
#include "Class/UIKit/MLHudAlertWindow.h"
#include "Class/UIKit/MLHudLoadingIndicator.h"
#include "Platform/Dispatch/Clock.h"
#include "Platform/Dispatch/RunLoop.h"

#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <memory>
#include <set>

namespace {

class HudPressRecorder : public QWidget {
public:
    using QWidget::QWidget;
    int presses = 0;

protected:
    void mousePressEvent(QMouseEvent* event) override
    {
        ++presses;
        event->accept();
    }
};

// Toasts over a shown window, with time on a virtual clock.
class MLHudAlertTest : public testing::Test {
protected:
    void SetUp() override
    {
        window = std::make_unique<QWidget>();
        window->resize(400, 300);
        target = new HudPressRecorder(window.get());
        target->setGeometry(0, 0, 60, 40);
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    }

    MLHudAlert& alert() { return *MLHudAlert::sharedAlert(); }
    MLHudAlertWindow* toast() { return alert().window(); }
    bool shown() { return toast()->isVisible() && toast()->alphaValue() > 0; }

    dispatch::VirtualClock::Scope time;
    std::unique_ptr<QWidget> window;
    HudPressRecorder* target = nullptr;
};

TEST_F(MLHudAlertTest, FadesInCentredOverTheWindowAndOutAfterOneAndAHalfSeconds)
{
    MLHudAlert::alertWithWindow(window.get(), 0, "已是最新版本");
    EXPECT_EQ(toast()->parentWidget(), window.get());
    EXPECT_EQ(toast()->alphaValue(), 0);
    time.advance(MLHudAlertWindow::kFadeSeconds);
    EXPECT_NEAR(toast()->alphaValue(), MLHudAlert::kVisibleAlpha, 1e-6);
    EXPECT_NEAR(toast()->geometry().center().x(), window->rect().center().x(), 1);
    EXPECT_NEAR(toast()->geometry().center().y(), window->rect().center().y(), 1);
    EXPECT_EQ(toast()->messageField()->text(), "已是最新版本");
    EXPECT_EQ(toast()->cornerRadius(), 13);

    time.advance(1.4 - MLHudAlertWindow::kFadeSeconds);
    EXPECT_TRUE(shown());
    time.advance(0.1 + MLHudAlertWindow::kFadeSeconds);
    EXPECT_EQ(toast()->alphaValue(), 0);
    EXPECT_FALSE(toast()->isVisible());
    // Dismissed, it stays with its window.
    EXPECT_EQ(toast()->parentWidget(), window.get());
}

TEST_F(MLHudAlertTest, EachStyleShowsItsIcon)
{
    const std::vector<std::pair<int, const char*>> styles = {
        {0, "MLHudAlertInfo"}, {1, "MLHudAlertWarn"}, {2, "MLHudAlertError"},
        {3, "MLHudAlertSuccess"}, {7, "MLHudAlertInfo"}, {-1, "MLHudAlertInfo"}};
    for (const auto& [type, icon] : styles) {
        MLHudAlert::alertWithWindow(window.get(), type, "m");
        EXPECT_EQ(alert().alertType(), type);
        EXPECT_FALSE(toast()->iconView()->isHidden()) << type;
        EXPECT_TRUE(toast()->loadingIndicator()->isHidden()) << type;
        EXPECT_EQ(toast()->iconView()->pixmap().toImage(), KXImage::imageNamed(icon).image()) << type;
    }
}

TEST_F(MLHudAlertTest, NullMessageShowsAnEmptyField)
{
    MLHudAlert::alertWithWindow(window.get(), 0, "first");
    MLHudAlert::alertWithWindow(window.get(), 0, QString());
    EXPECT_EQ(toast()->messageField()->text(), "");
}

TEST_F(MLHudAlertTest, SecondAlertRestartsTheTimer)
{
    MLHudAlert::alertWithWindow(window.get(), 0, "one");
    time.advance(1.0);
    MLHudAlert::alertWithWindow(window.get(), 1, "two");
    time.advance(1.0);
    EXPECT_TRUE(shown());
    EXPECT_EQ(toast()->messageField()->text(), "two");
    time.advance(0.5 + MLHudAlertWindow::kFadeSeconds);
    EXPECT_FALSE(shown());
}

TEST_F(MLHudAlertTest, ClickOutsideClosesTheToastAndStillReachesItsTarget)
{
    MLHudAlert::alertWithWindow(window.get(), 0, "m");
    time.advance(0.3);
    ASSERT_TRUE(alert().isClickMonitorInstalled());
    QTest::mouseClick(window->windowHandle(), Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_EQ(target->presses, 1);
    EXPECT_FALSE(alert().isClickMonitorInstalled());
    time.advance(MLHudAlertWindow::kFadeSeconds);
    EXPECT_FALSE(shown());
}

// The toast comes by itself, often under a still pointer: what lies beneath keeps its hover, and
// a click on the toast's place reaches it and closes the toast.
TEST_F(MLHudAlertTest, TheToastLeavesThePointerAndTheClickToWhatLiesBeneath)
{
    auto* beneath = new HudPressRecorder(window.get());
    beneath->setGeometry(window->rect().adjusted(80, 0, 0, 0));
    beneath->setMouseTracking(true);
    beneath->show();
    int leaves = 0;
    struct LeaveCounter : QObject {
        int& count;
        explicit LeaveCounter(int& c)
            : count(c)
        {
        }
        bool eventFilter(QObject*, QEvent* event) override
        {
            count += event->type() == QEvent::Leave;
            return false;
        }
    } counter(leaves);
    beneath->installEventFilter(&counter);
    const QPoint centre = window->rect().center();
    QTest::mouseMove(window->windowHandle(), centre);
    ASSERT_TRUE(beneath->underMouse());

    MLHudAlert::alertWithWindow(window.get(), 3, "删除成功");
    time.advance(0.3);
    ASSERT_TRUE(toast()->geometry().contains(centre));
    EXPECT_EQ(leaves, 0) << "the toast took the pointer";
    EXPECT_TRUE(beneath->underMouse());
    QTest::mouseClick(window->windowHandle(), Qt::LeftButton, {}, centre);
    EXPECT_EQ(beneath->presses, 1);
    time.advance(MLHudAlertWindow::kFadeSeconds);
    EXPECT_FALSE(shown());
    beneath->removeEventFilter(&counter);
}

TEST_F(MLHudAlertTest, LoadingStyleShowsTheSpinnerAndStaysThroughClicksOnIt)
{
    MLHudAlert::alertWithWindow(window.get(), MLHudAlert::kLoading, "loading");
    EXPECT_TRUE(toast()->iconView()->isHidden());
    EXPECT_FALSE(toast()->loadingIndicator()->isHidden());
    EXPECT_TRUE(toast()->loadingIndicator()->isAnimating());
    const int phase = toast()->loadingIndicator()->phase();
    time.advance(0.3);
    EXPECT_NE(toast()->loadingIndicator()->phase(), phase);
    QTest::mouseClick(window->windowHandle(), Qt::LeftButton, {}, toast()->geometry().center());
    time.advance(10);
    EXPECT_TRUE(shown());
    MLHudAlert::dismisWindow();
    time.advance(MLHudAlertWindow::kFadeSeconds);
    EXPECT_FALSE(shown());
}

TEST_F(MLHudAlertTest, LoadingStyleIsNotClosedByAnEarlierAlertsTimerOrClickMonitor)
{
    MLHudAlert::alertWithWindow(window.get(), 0, "saved");
    time.advance(0.5);
    MLHudAlert::alertWithWindow(window.get(), MLHudAlert::kLoading, "uploading");
    EXPECT_FALSE(alert().isDismissTimerPending());
    EXPECT_FALSE(alert().isClickMonitorInstalled());
    time.advance(2.0);
    EXPECT_TRUE(shown());
    QTest::mouseClick(window->windowHandle(), Qt::LeftButton, {}, QPoint(10, 10));
    time.advance(1.0);
    EXPECT_TRUE(shown());
    EXPECT_EQ(target->presses, 1);
}

TEST_F(MLHudAlertTest, AlertOverAnotherWindowMovesTheToastThere)
{
    MLHudAlert::alertWithWindow(window.get(), 0, "over A");
    QWidget other;
    other.resize(200, 500);
    other.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&other));
    MLHudAlert::alertWithWindow(&other, 0, "over B");
    EXPECT_EQ(toast()->parentWidget(), &other);
    EXPECT_FALSE(window->isAncestorOf(toast()));
    EXPECT_FALSE(window->children().contains(toast()));
    time.advance(0.3);
    EXPECT_NEAR(toast()->geometry().center().y(), other.rect().center().y(), 1);
    EXPECT_TRUE(shown());
}

TEST_F(MLHudAlertTest, WithoutAWindowTheActiveWindowIsUsed)
{
    QApplication::setActiveWindow(window.get());
    ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == window.get(); }));
    MLHudAlert::alertWithWindow(nullptr, 0, "over the active window");
    EXPECT_EQ(toast()->parentWidget(), window.get());
    EXPECT_EQ(toast()->messageField()->text(), "over the active window");
}

TEST_F(MLHudAlertTest, AlertOverAChildWidgetGoesToItsWindow)
{
    MLHudAlert::alertWithWindow(target, 0, "m");
    EXPECT_EQ(toast()->parentWidget(), window.get());
}

TEST_F(MLHudAlertTest, ToastSurvivesTheDestructionOfItsWindow)
{
    {
        QWidget shortLived;
        shortLived.show();
        MLHudAlert::alertWithWindow(&shortLived, 0, "bye");
    }
    MLHudAlert::alertWithWindow(window.get(), 2, "网络失败！");
    EXPECT_EQ(toast()->parentWidget(), window.get());
    time.advance(0.3);
    EXPECT_TRUE(shown());
}

TEST_F(MLHudAlertTest, PresenterShowsTheServiceCoresMessagesOverTheGivenWindow)
{
    MLHudAlertPresenter::install();
    auto presenter = ToastPresenter::shared();
    ASSERT_NE(presenter, nullptr);
    presenter->show("默认分组不支持修改", ToastStyle::Warning, ToastWindow{window.get()});
    EXPECT_EQ(alert().alertType(), 1);
    EXPECT_EQ(toast()->parentWidget(), window.get());
    EXPECT_EQ(toast()->messageField()->text(), "默认分组不支持修改");
    time.advance(0.3);
    presenter->dismiss();
    time.advance(MLHudAlertWindow::kFadeSeconds);
    EXPECT_FALSE(shown());
    ToastPresenter::setShared(nullptr);
}

TEST_F(MLHudAlertTest, MarkupInTheMessageShowsAsWrittenAndLoadsNoImage)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString imagePath = dir.filePath("x.png");
    QImage red(24, 24, QImage::Format_RGB32);
    red.fill(Qt::red);
    ASSERT_TRUE(red.save(imagePath));
    const QString message = "<b>bold</b><img src=\"file://" + imagePath + "\"><span style=\"font-size:60px\">大</span>";

    MLHudAlert::alertWithWindow(window.get(), 2, message);
    QLabel* field = toast()->messageField();
    EXPECT_EQ(field->textFormat(), Qt::PlainText);
    EXPECT_EQ(field->text(), message);
    // The field is tall enough for the image had it been loaded; no pixel of it is drawn.
    ASSERT_GE(field->height(), 24);
    const QImage drawn = field->grab().toImage();
    bool anyRed = false;
    for (int y = 0; y < drawn.height() && !anyRed; ++y)
        for (int x = 0; x < drawn.width() && !anyRed; ++x) {
            const QColor pixel = drawn.pixelColor(x, y);
            anyRed = pixel.alpha() > 128 && pixel.red() > 200 && pixel.green() < 60 && pixel.blue() < 60;
        }
    EXPECT_FALSE(anyRed);
}

TEST_F(MLHudAlertTest, LongMessageStaysInsideItsWindowCutToTheLinesThatFit)
{
    const QString words = QString("the service says no ").repeated(105);
    const QString ideographs = QString("服务器拒绝了请求").repeated(262) + "到此为止";
    for (const QString& message : {words, ideographs}) {
        ASSERT_EQ(message.size(), 2100);
        MLHudAlert::alertWithWindow(window.get(), 2, message);
        QLabel* field = toast()->messageField();
        const QString shown = field->text();
        EXPECT_LE(toast()->height(), window->height()) << shown.size();
        EXPECT_TRUE(window->rect().contains(toast()->geometry())) << shown.size();
        ASSERT_TRUE(shown.endsWith(QChar(0x2026))) << shown.right(20).toStdString();
        const QString kept = shown.chopped(1).trimmed();
        EXPECT_TRUE(message.startsWith(kept));
        // Several lines are kept, and every kept line is inside the field.
        const QFontMetrics metrics(field->font());
        const int needed = metrics.boundingRect(QRect(0, 0, field->width(), 100000), Qt::TextWordWrap, shown).height();
        EXPECT_GE(needed, 5 * metrics.height());
        EXPECT_LE(needed, field->height());
    }
    // A message that fits is shown whole.
    MLHudAlert::alertWithWindow(window.get(), 2, words.left(120));
    EXPECT_EQ(toast()->messageField()->text(), words.left(120));
}

TEST_F(MLHudAlertTest, RunWiderThanTheToastWrapsShowingItsStartAndItsCut)
{
    const QChar runBreak(0x200B);
    const QString run = QString("Unbroken").repeated(250);
    for (const QString& message : {run, QString("下载失败：") + run}) {
        ASSERT_GE(message.size(), 2000);
        MLHudAlert::alertWithWindow(window.get(), 2, message);
        QLabel* field = toast()->messageField();
        const QString shown = field->text();
        ASSERT_TRUE(shown.endsWith(QChar(0x2026))) << shown.right(20).toStdString();
        const QString kept = QString(shown).remove(runBreak).chopped(1);
        EXPECT_TRUE(message.startsWith(kept)) << kept.left(40).toStdString();
        // The run fills several lines, and what the field draws is no wider than the field, so its
        // start is in sight.
        const QFontMetrics metrics(field->font());
        const QRect drawn
            = metrics.boundingRect(QRect(0, 0, field->width(), 100000), Qt::TextWordWrap, shown);
        EXPECT_GE(drawn.height(), 5 * metrics.height());
        EXPECT_LE(drawn.width(), field->width());
        EXPECT_LE(drawn.height(), field->height());
    }
    // A run that fits in a few lines is shown whole, broken where the lines end.
    const QString shortRun = run.left(120);
    MLHudAlert::alertWithWindow(window.get(), 2, shortRun);
    QLabel* field = toast()->messageField();
    EXPECT_EQ(QString(field->text()).remove(runBreak), shortRun);
    const QFontMetrics metrics(field->font());
    const QRect drawn
        = metrics.boundingRect(QRect(0, 0, field->width(), 100000), Qt::TextWordWrap, field->text());
    EXPECT_LE(drawn.width(), field->width());
    EXPECT_GE(drawn.height(), 2 * metrics.height());
}

TEST_F(MLHudAlertTest, TheCutKeepsJoinedEmojiAndSyllablesWhole)
{
    const QChar runBreak(0x200B);
    // Characters as the reader sees them: a family joined by zero-width joiners, and Devanagari
    // consonants with vowel signs and a nasal mark. The message is a lead-in of "x" and a run of
    // them; the window's height decides which line is cut.
    const QString family = QString::fromUtf8("\xF0\x9F\x91\xA8\xE2\x80\x8D\xF0\x9F\x91\xA9\xE2\x80\x8D\xF0\x9F\x91\xA7");
    const QStringList syllables = {QString::fromUtf8("\xE0\xA4\x95\xE0\xA4\xBF"),          // कि
                                   QString::fromUtf8("\xE0\xA4\xAE\xE0\xA5\x80\xE0\xA4\x82"), // मीं
                                   QString::fromUtf8("\xE0\xA4\xA0\xE0\xA5\x8B"),          // ठो
                                   QString::fromUtf8("\xE0\xA4\xB9\xE0\xA5\x88")};         // है
    ASSERT_EQ(family.size(), 8);
    const auto run = [](const QStringList& characters, qsizetype units, std::set<qsizetype>& ends, qsizetype leadIn) {
        QString text = QString("x").repeated(leadIn);
        // The same mix for every lead-in, irregular enough that each cut line holds another one.
        for (unsigned draw = 12345; text.size() < units;) {
            draw = draw * 1103515245u + 12345u;
            text += characters[static_cast<qsizetype>((draw >> 16) % static_cast<unsigned>(characters.size()))];
            ends.insert(text.size());
        }
        return text;
    };
    for (const QStringList& characters : {QStringList{family}, syllables}) {
        for (int leadIn = 0; leadIn < 12; ++leadIn) {
            std::set<qsizetype> ends{leadIn};
            const QString message = run(characters, 4000, ends, leadIn);
            for (int height = 150; height <= 300; height += 15) {
                window->resize(400, height);
                MLHudAlert::alertWithWindow(window.get(), 2, message);
                const QString shown = toast()->messageField()->text();
                ASSERT_TRUE(shown.endsWith(QChar(0x2026))) << height;
                const QString kept = QString(shown).remove(runBreak).chopped(1);
                ASSERT_TRUE(message.startsWith(kept)) << height;
                EXPECT_GT(kept.size(), leadIn);
                EXPECT_TRUE(ends.contains(kept.size())) << "lead-in " << leadIn << ", height " << height << ", kept " << kept.size();
            }
        }
    }
}

} // namespace

// A message meant for the main window while another window is active, or while the main window is
// not on screen yet (behind the splash at start) or minimised, reaches the person over the main
// window once it shows, not over whatever was active and not nowhere.
TEST_F(MLHudAlertTest, AMessageForTheMainWindowWaitsUntilItIsOnScreen)
{
    MLHudAlert::setMainWindow(nullptr);
    const auto presenter = std::make_shared<MLHudAlertPresenter>();
    presenter->show("订单已提交，请在个人中心-我的订单中完成支付", ToastStyle::Info, ToastWindow::main());
    dispatch::RunLoop::drain();
    time.advance(MLHudAlertWindow::kFadeSeconds);
    EXPECT_FALSE(shown()) << "not over the splash or another window before the main one is made";

    QWidget main;
    main.resize(500, 400);
    MLHudAlert::setMainWindow(&main);
    dispatch::RunLoop::drain();
    time.advance(MLHudAlertWindow::kFadeSeconds);
    EXPECT_FALSE(shown()) << "not while the main window is not on screen";

    main.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&main));
    dispatch::RunLoop::drain();
    time.advance(MLHudAlertWindow::kFadeSeconds);
    ASSERT_TRUE(shown());
    EXPECT_EQ(toast()->window(), &main);
    EXPECT_EQ(toast()->messageField()->text(), QString("订单已提交，请在个人中心-我的订单中完成支付"));

    // On screen: at once, over the main window even while another window is the active one.
    alert().dismiss();
    time.advance(5);
    window->activateWindow();
    presenter->show("之前的订单已提交，请在个人中心-我的订单中完成支付", ToastStyle::Info, ToastWindow::main());
    time.advance(MLHudAlertWindow::kFadeSeconds);
    ASSERT_TRUE(shown());
    EXPECT_EQ(toast()->window(), &main);
    MLHudAlert::setMainWindow(nullptr);
}
