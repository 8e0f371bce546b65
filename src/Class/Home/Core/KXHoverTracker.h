#pragma once

#include <memory>
#include <string>

// What the hover tracker asks and tells its owner (the hub). Every method does nothing, or
// answers no, unless the owner implements it.
class KXHoverTrackerDelegate {
public:
    virtual ~KXHoverTrackerDelegate() = default;
    virtual bool hoverTrackerIsSignedIn() { return false; }
    // Whether the favourites page or the followed-collections page is the top overlay.
    virtual bool hoverTrackerSectionPageOnTop() { return false; }
    // Time to fetch the folders (or the followed collections) and open their pop-up.
    virtual void hoverTrackerOpenFolders() { }
    virtual void hoverTrackerOpenFollowed() { }
};

// Resting the pointer on a section tab of the left menu ("收藏的字体", "关注的合集") for a second
// opens its pop-up. The tracker counts entries and exits over both tabs and remembers the one
// entered last in the process-wide KXHoverState; the first entry schedules one check a second
// later on the main queue (further entries only count), and the check opens the pop-up of the tab
// entered last when the pointer is still over a section tab, someone is signed in and neither
// section page lies on top. The check clears the pending mark, so the next entry schedules again.
//
// The scheduled check holds the tracker weakly; a tracker that goes away while its check waits
// clears the mark it set. Main thread only.
class KXHoverTracker : public std::enable_shared_from_this<KXHoverTracker> {
public:
    static constexpr double kDelay = 1.0;
    static constexpr const char* kFoldersTab = "收藏的字体";
    static constexpr const char* kFollowedTab = "关注的合集";

    static std::shared_ptr<KXHoverTracker> create();
    ~KXHoverTracker();
    KXHoverTracker(const KXHoverTracker&) = delete;
    KXHoverTracker& operator=(const KXHoverTracker&) = delete;

    void setDelegate(const std::shared_ptr<KXHoverTrackerDelegate>& delegate) { delegate_ = delegate; }

    void mouseEntered(const std::string& identifier);
    void mouseExited(const std::string& identifier);
    // The check the first entry scheduled.
    void check();

private:
    KXHoverTracker() = default;

    std::weak_ptr<KXHoverTrackerDelegate> delegate_;
    bool scheduledHere_ = false;
};
