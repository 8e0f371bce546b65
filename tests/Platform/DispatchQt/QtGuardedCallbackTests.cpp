#include "Platform/DispatchQt/QtGuardedCallback.h"

#include "Platform/Dispatch/RunLoop.h"

#include <QObject>
#include <gtest/gtest.h>

#include <memory>
#include <thread>

namespace {

struct Label : QObject {
    int value = 0;
};

TEST(QtGuardedCallback, DirectCallIsDroppedOnceTheObjectIsDeleted)
{
    auto label = std::make_unique<Label>();
    auto set = dispatch::guardedQt(label.get(), [](Label& l, int v) { l.value = v; });
    set(5);
    EXPECT_EQ(label->value, 5);
    label.reset();
    set(6); // must not touch the deleted label
}

TEST(QtGuardedCallback, QueuedCallIsCheckedOnTheMainThread)
{
    auto label = std::make_unique<Label>();
    bool onMain = false;
    auto set = dispatch::guardedOnMain(label.get(), [&](Label& l, int v) {
        onMain = dispatch::isMainThread();
        l.value = v;
    });
    std::thread([&] { set(7); }).join();
    EXPECT_EQ(label->value, 0);
    dispatch::RunLoop::drain();
    EXPECT_EQ(label->value, 7);
    EXPECT_TRUE(onMain);

    std::thread([&] { set(8); }).join();
    label.reset(); // deleted after the call was posted, before it ran
    onMain = false;
    EXPECT_EQ(dispatch::RunLoop::drain(), 1);
    EXPECT_FALSE(onMain);
}

} // namespace
