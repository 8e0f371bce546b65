// The main window's fit to its screen through the steps in which a window manager frames,
// maximises and restores it, without a window manager.
#include "Class/Home/KXHomeWindowFit.h"

#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <vector>

void PrintTo(const QRect& rect, std::ostream* out)
{
    *out << rect.x() << "," << rect.y() << " " << rect.width() << "x" << rect.height();
}

namespace {

const QRect kScreen(0, 0, 1600, 1000);
const QMargins kBordered(1, 20, 1, 5);
// Maximised, the window loses its borders: only the title bar is left.
const QMargins kBare(0, 19, 0, 0);
const QRect kMaximised(0, 19, 1600, 981);

// One report of the window as the window manager moves it: its state, then its place or its size
// where they change, and the frame Qt measures at that moment.
struct Step {
    Qt::WindowStates state;
    std::optional<QPoint> place;
    std::optional<QSize> size;
    QMargins frame;
};

// A window that reports each step to the fit and applies what the fit answers at once.
struct Window {
    KXHomeWindowFit fit;
    QRect client;
    QRect screen = kScreen;
    KXScreenGrid grid;
    int moves = 0;
    std::optional<int> minimumHeight;
    // The state and frame of the last report, and whether the fit asked to be asked again.
    Step last;
    bool restoreCheckAsked = false;

    void report(const Step& step)
    {
        if (step.place)
            client.moveTopLeft(*step.place);
        if (step.size)
            client.setSize(*step.size);
        last = step;
        const auto change = fit.update({step.state, client, step.frame}, screen, grid);
        if (change.minimumHeight)
            minimumHeight = change.minimumHeight;
        restoreCheckAsked = restoreCheckAsked || change.restoreUnderWay;
        if (change.client) {
            client = *change.client;
            ++moves;
        }
    }

    // The screen changed its area: what the fit answers, applied.
    void screenChange(const QRect& area)
    {
        screen = area;
        const auto change = fit.screenChanged({ last.state, client, last.frame }, screen, grid);
        if (change.minimumHeight)
            minimumHeight = change.minimumHeight;
        if (change.client) {
            client = *change.client;
            ++moves;
        }
    }
    // The moment after a restore began: what the fit gives back, applied.
    bool restoreCheck()
    {
        if (!restoreCheckAsked)
            return false;
        restoreCheckAsked = false;
        const auto normal = fit.restoreLeftBehind({last.state, client, last.frame});
        if (normal)
            client = *normal;
        return normal.has_value();
    }

    // Maximised and restored, each time the state said first. Qt learns the maximised window's bare frame either while it is
    // maximised or only at the restore's first step, where the window has its maximised size at
    // the place it comes back to.
    void maximiseAndRestore(bool bareFrameLate, const QRect& maximised = kMaximised, const QMargins& bordered = kBordered,
                            const QMargins& bare = kBare)
    {
        const QRect normal = client;
        for (const Step& step : std::vector<Step>{
                 {Qt::WindowMaximized, {}, {}, bordered},
                 {Qt::WindowMaximized, {}, maximised.size(), bordered},
                 {Qt::WindowMaximized, maximised.topLeft(), {}, bareFrameLate ? bordered : bare},
                 {Qt::WindowNoState, {}, {}, bareFrameLate ? bordered : bare},
                 {Qt::WindowNoState, normal.topLeft(), {}, bareFrameLate ? bare : bordered},
                 {Qt::WindowNoState, {}, normal.size(), bordered},
             })
            report(step);
    }

    // Maximised and restored by a window manager that sizes and moves the window, with the
    // maximised window's thinner frame, before it says the window is maximised, and sizes it back
    // before it says it is restored. Qt measures the frame late where `frameLate`.
    void maximiseAndRestoreSizeFirst(const QRect& maximised, const QMargins& bordered, const QMargins& bare, bool frameLate)
    {
        const QRect normal = client;
        for (const Step& step : std::vector<Step>{
                 {Qt::WindowNoState, {}, maximised.size(), frameLate ? bordered : bare},
                 {Qt::WindowNoState, maximised.topLeft(), {}, bare},
                 {Qt::WindowMaximized, {}, {}, bare},
                 {Qt::WindowMaximized, {}, normal.size(), frameLate ? bare : bordered},
                 {Qt::WindowMaximized, normal.topLeft(), {}, frameLate ? bare : bordered},
                 {Qt::WindowNoState, {}, {}, frameLate ? bare : bordered},
                 {Qt::WindowNoState, {}, {}, bordered},
             })
            report(step);
    }
};

} // namespace

TEST(KXHomeWindowFit, MaximiseAndRestoreBringTheWindowBackWhereItWas)
{
    Window window;
    // Placed before it had a frame; framed, its title bar would lie above the screen: it comes
    // down, the one move the fit makes.
    window.client = QRect(600, 0, 400, 860);
    window.report({Qt::WindowNoState, {}, {}, {}});
    window.report({Qt::WindowNoState, {}, {}, kBordered});
    ASSERT_EQ(window.client, QRect(600, 20, 400, 860));
    for (const bool bareFrameLate : {false, true, false, true}) {
        window.maximiseAndRestore(bareFrameLate);
        EXPECT_EQ(window.client, QRect(600, 20, 400, 860)) << (bareFrameLate ? "the bare frame learnt late" : "learnt early");
    }
    // Moved in between, it comes back where it was moved to; a new frame inside the screen leaves it there.
    window.report({Qt::WindowNoState, QPoint(90, 30), {}, kBordered});
    window.maximiseAndRestore(true);
    EXPECT_EQ(window.client, QRect(90, 30, 400, 860));
    window.report({Qt::WindowNoState, {}, {}, QMargins(4, 24, 4, 4)});
    EXPECT_EQ(window.client, QRect(90, 30, 400, 860));
    EXPECT_EQ(window.moves, 1);
}

// A screen whose area holds less than the minimum height with the frame, at 1.5: 1920 x 1053
// device pixels under a 27-pixel panel. The window manager sizes the window before it says it is
// maximised, and back before it says it is restored; the maximised window has no side or bottom
// border.
TEST(KXHomeWindowFit, AWindowSizedBeforeItsStateKeepsItsMinimumAndComesBack)
{
    Window window;
    window.screen = QRect(0, 18, 1280, 702);
    window.grid = KXScreenGrid(1.5);
    const QMargins bordered(3, 20, 3, 3);
    const QMargins bare(0, 20, 0, 0);
    const QRect maximised(0, 38, 1280, 682);
    window.client = QRect(440, 38, 400, 680);
    window.report({Qt::WindowNoState, {}, {}, {}});
    window.report({Qt::WindowNoState, {}, {}, bordered});
    ASSERT_TRUE(window.minimumHeight);
    const int minimum = *window.minimumHeight;
    const QRect normal = window.client;
    ASSERT_LT(minimum, 680) << "the area holds less than the designed minimum with the frame";
    for (const bool frameLate : {false, true, false, true}) {
        window.maximiseAndRestoreSizeFirst(maximised, bordered, bare, frameLate);
        EXPECT_EQ(window.minimumHeight, minimum) << "the maximised window's frame raises nothing";
        EXPECT_EQ(window.client, normal);
        EXPECT_EQ(window.fit.normalGeometry(), normal) << "the maximised size is no normal size";
        EXPECT_FALSE(window.restoreCheck()) << "a restore that went its way is left alone";
    }
    EXPECT_EQ(window.moves, 1);

    // The other order on the same screen, the state first: the same.
    window.maximiseAndRestore(true, maximised, bordered, bare);
    EXPECT_EQ(window.minimumHeight, minimum);
    EXPECT_EQ(window.client, normal);
    EXPECT_FALSE(window.restoreCheck());
}

// A window manager that forgot the size to restore to (a window hidden while maximised and shown
// again) says the window is restored and leaves it at its maximised size and place: the window
// takes back its normal geometry. A restore still on its way, or a maximise again, takes nothing.
TEST(KXHomeWindowFit, ARestoreLeftAtTheMaximisedSizeGivesBackTheNormalGeometry)
{
    Window window;
    window.client = QRect(300, 120, 400, 700);
    window.report({Qt::WindowNoState, {}, {}, kBordered});
    const QRect normal = window.client;
    for (const Step& step : std::vector<Step>{
             {Qt::WindowMaximized, {}, {}, kBordered},
             {Qt::WindowMaximized, kMaximised.topLeft(), kMaximised.size(), kBare},
             {Qt::WindowNoState, {}, {}, kBare},
         })
        window.report(step);
    ASSERT_EQ(window.client, kMaximised);
    EXPECT_TRUE(window.restoreCheck());
    EXPECT_EQ(window.client, normal);
    EXPECT_FALSE(window.restoreCheck()) << "given back once";

    // Maximised again before the moment has passed: it stays maximised.
    window.report({Qt::WindowMaximized, kMaximised.topLeft(), kMaximised.size(), kBare});
    window.report({Qt::WindowNoState, {}, {}, kBare});
    window.report({Qt::WindowMaximized, {}, {}, kBare});
    EXPECT_FALSE(window.restoreCheck());
    EXPECT_EQ(window.client, kMaximised);

    // Restored by the window manager in its own steps before the moment: nothing more to do.
    window.report({Qt::WindowNoState, {}, {}, kBare});
    window.report({Qt::WindowNoState, normal.topLeft(), normal.size(), kBordered});
    EXPECT_FALSE(window.restoreCheck());
    EXPECT_EQ(window.client, normal);
}

// Maximised on a screen that shrinks to 800 x 600 and grows back: the lower minimum comes at once
// (the window manager can then fit the maximised window to the small screen), the higher one
// only at the restore, since a maximised window resized to a new minimum is no longer maximised
// to some window managers.
TEST(KXHomeWindowFit, AMinimumRaisedWhileMaximisedWaitsForTheRestore)
{
    Window window;
    window.client = QRect(300, 60, 400, 860);
    window.report({ Qt::WindowNoState, {}, {}, kBordered });
    ASSERT_TRUE(window.minimumHeight);
    const int designed = *window.minimumHeight;
    const QRect normal = window.client;
    window.report({ Qt::WindowMaximized, {}, {}, kBordered });
    window.report({ Qt::WindowMaximized, kMaximised.topLeft(), kMaximised.size(), kBare });

    const QRect small(0, 0, 800, 600);
    window.screenChange(small);
    ASSERT_TRUE(window.minimumHeight);
    EXPECT_LT(*window.minimumHeight, designed) << "lowered at once";
    const int lowered = *window.minimumHeight;
    window.report({ Qt::WindowMaximized, QPoint(0, 19), QSize(800, 581), kBare });

    window.screenChange(kScreen);
    EXPECT_EQ(window.minimumHeight, lowered) << "raised, it would take the maximised window out of its state";
    window.report({ Qt::WindowMaximized, kMaximised.topLeft(), kMaximised.size(), kBare });
    EXPECT_EQ(window.minimumHeight, lowered);

    window.report({ Qt::WindowNoState, {}, {}, kBare });
    EXPECT_EQ(window.minimumHeight, designed) << "the restore takes it";
    window.report({ Qt::WindowNoState, normal.topLeft(), normal.size(), kBordered });
    EXPECT_EQ(window.minimumHeight, designed);

    // Not maximised, a screen change gives the minimum at once, either way.
    window.screenChange(small);
    EXPECT_EQ(window.minimumHeight, lowered);
    window.screenChange(kScreen);
    EXPECT_EQ(window.minimumHeight, designed);
}
