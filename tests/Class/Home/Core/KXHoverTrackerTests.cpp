#include "Class/Home/Core/KXHoverTracker.h"

#include "Class/Home/Core/KXHomeProcessState.h"
#include "Platform/Dispatch/Clock.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

class Hub final : public KXHoverTrackerDelegate {
public:
    bool hoverTrackerIsSignedIn() override { return signedIn; }
    bool hoverTrackerSectionPageOnTop() override { return pageOnTop; }
    void hoverTrackerOpenFolders() override { opened.push_back("folders"); }
    void hoverTrackerOpenFollowed() override { opened.push_back("followed"); }

    bool signedIn = true;
    bool pageOnTop = false;
    std::vector<std::string> opened;
};

class KXHoverTrackerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        KXHomeProcessState::reset();
        tracker_->setDelegate(hub_);
    }
    void TearDown() override { KXHomeProcessState::reset(); }

    dispatch::VirtualClock::Scope clock_;
    std::shared_ptr<Hub> hub_ = std::make_shared<Hub>();
    std::shared_ptr<KXHoverTracker> tracker_ = KXHoverTracker::create();
};

const std::string kFolders = KXHoverTracker::kFoldersTab;
const std::string kFollowed = KXHoverTracker::kFollowedTab;

} // namespace

TEST_F(KXHoverTrackerTest, ASecondOnTheTabOpensItsPopUpLeavingEarlierOpensNothing)
{
    tracker_->mouseEntered(kFolders);
    clock_.advance(0.6);
    tracker_->mouseExited(kFolders);
    clock_.advance(0.4);
    EXPECT_TRUE(hub_->opened.empty());

    tracker_->mouseEntered(kFolders);
    clock_.advance(0.99);
    EXPECT_TRUE(hub_->opened.empty());
    clock_.advance(0.01);
    EXPECT_EQ(hub_->opened, std::vector<std::string>{"folders"});
    EXPECT_FALSE(KXHomeProcessState::shared().hover.checkPending);
}

TEST_F(KXHoverTrackerTest, TheTabEnteredLastWinsAndOneCheckWaits)
{
    tracker_->mouseEntered(kFolders);
    clock_.advance(0.3);
    tracker_->mouseExited(kFolders);
    tracker_->mouseEntered(kFollowed);
    EXPECT_EQ(clock_.clock().pendingCount(), 1u);
    clock_.advance(0.7);
    EXPECT_EQ(hub_->opened, std::vector<std::string>{"followed"});
    EXPECT_EQ(KXHomeProcessState::shared().hover.count, 1);
    EXPECT_EQ(KXHomeProcessState::shared().hover.lastHovered, kFollowed);
}

TEST_F(KXHoverTrackerTest, NothingOpensSignedOutOrUnderASectionPage)
{
    hub_->signedIn = false;
    tracker_->mouseEntered(kFolders);
    clock_.advance(1);
    hub_->signedIn = true;
    hub_->pageOnTop = true;
    tracker_->mouseExited(kFolders);
    tracker_->mouseEntered(kFollowed);
    clock_.advance(1);
    EXPECT_TRUE(hub_->opened.empty());
    hub_->pageOnTop = false;
    tracker_->mouseExited(kFollowed);
    tracker_->mouseEntered(kFollowed);
    clock_.advance(1);
    EXPECT_EQ(hub_->opened, std::vector<std::string>{"followed"}) << "each check clears its mark";
}

TEST_F(KXHoverTrackerTest, ATrackerGoneWhileItsCheckWaitsLeavesNoMark)
{
    tracker_->mouseEntered(kFolders);
    tracker_.reset();
    EXPECT_FALSE(KXHomeProcessState::shared().hover.checkPending);
    clock_.advance(1);
    auto next = KXHoverTracker::create();
    next->setDelegate(hub_);
    next->mouseEntered(kFolders);
    clock_.advance(1);
    EXPECT_EQ(hub_->opened, std::vector<std::string>{"folders"});
}
