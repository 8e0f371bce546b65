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
    int moves = 0;

    void report(const Step& step)
    {
        if (step.place)
            client.moveTopLeft(*step.place);
        if (step.size)
            client.setSize(*step.size);
        if (const auto change = fit.update({step.state, client, step.frame}, kScreen, {}); change.client) {
            client = *change.client;
            ++moves;
        }
    }

    // Maximised and restored. Qt learns the maximised window's bare frame either while it is
    // maximised or only at the restore's first step, where the window has its maximised size at
    // the place it comes back to.
    void maximiseAndRestore(bool bareFrameLate)
    {
        const QRect normal = client;
        for (const Step& step : std::vector<Step>{
                 {Qt::WindowMaximized, {}, {}, kBordered},
                 {Qt::WindowMaximized, {}, kMaximised.size(), kBordered},
                 {Qt::WindowMaximized, kMaximised.topLeft(), {}, bareFrameLate ? kBordered : kBare},
                 {Qt::WindowNoState, {}, {}, bareFrameLate ? kBordered : kBare},
                 {Qt::WindowNoState, normal.topLeft(), {}, bareFrameLate ? kBare : kBordered},
                 {Qt::WindowNoState, {}, normal.size(), kBordered},
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
