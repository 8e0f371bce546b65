#pragma once

// The follow button of a collection header (state 1: followed). A click flips the state at once
// and is then sent; while its request runs further clicks are refused, and a refusal or a failure
// puts back the state the request wanted to leave. Main thread.
class KXFollowToggle {
public:
    explicit KXFollowToggle(int state = 0)
        : state_(state ? 1 : 0)
    {
    }

    int state() const { return state_; }
    bool isPending() const { return pending_; }
    // The state of the record shown; ignored while a request runs (its answer decides).
    void setState(int state)
    {
        if (!pending_)
            state_ = state ? 1 : 0;
    }
    // A click: false while a request runs; otherwise the state flips.
    bool click()
    {
        if (pending_)
            return false;
        state_ = 1 - state_;
        return true;
    }
    // The request for the current state is sent.
    int begin()
    {
        pending_ = true;
        requested_ = state_;
        return requested_;
    }
    // Its answer: accepted keeps the state, anything else restores the former one.
    void finished(bool accepted)
    {
        pending_ = false;
        if (!accepted)
            state_ = 1 - requested_;
    }

private:
    int state_ = 0;
    int requested_ = 0;
    bool pending_ = false;
};
