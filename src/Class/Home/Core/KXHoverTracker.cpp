#include "Class/Home/Core/KXHoverTracker.h"

#include "Class/Home/Core/KXHomeProcessState.h"
#include "Platform/Dispatch/Queue.h"

namespace {

KXHoverState& hover()
{
    return KXHomeProcessState::shared().hover;
}

} // namespace

std::shared_ptr<KXHoverTracker> KXHoverTracker::create()
{
    return std::shared_ptr<KXHoverTracker>(new KXHoverTracker());
}

KXHoverTracker::~KXHoverTracker()
{
    if (scheduledHere_)
        hover().checkPending = false;
}

void KXHoverTracker::mouseEntered(const std::string& identifier)
{
    auto& state = hover();
    ++state.count;
    state.lastHovered = identifier;
    if (state.checkPending)
        return;
    state.checkPending = true;
    scheduledHere_ = true;
    dispatch::mainQueue().after(kDelay, [weak = weak_from_this()] {
        if (auto self = weak.lock())
            self->check();
    });
}

void KXHoverTracker::mouseExited(const std::string&)
{
    --hover().count;
}

void KXHoverTracker::check()
{
    auto& state = hover();
    const std::string tab = state.lastHovered;
    const bool open = state.count >= 1;
    state.checkPending = false;
    scheduledHere_ = false;
    auto delegate = delegate_.lock();
    if (!open || !delegate || !delegate->hoverTrackerIsSignedIn() || delegate->hoverTrackerSectionPageOnTop())
        return;
    if (tab == kFollowedTab)
        delegate->hoverTrackerOpenFollowed();
    else if (tab == kFoldersTab)
        delegate->hoverTrackerOpenFolders();
}
