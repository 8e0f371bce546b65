#include "Class/Favourites/Core/KXCollectionFollow.h"

void KXCollectionFollow::showRecord(bool followed)
{
    toggle_.setState(followed ? 1 : 0);
    recordState_ = followed ? 1 : 0;
    countFromRecord_ = false;
    readingBack_ = false;
    ++read_;
}

int KXCollectionFollow::countShift() const
{
    // A click waiting for the sign-in has sent nothing yet, and a count read again stands as read.
    if (waitingForSignIn_ || countFromRecord_)
        return 0;
    return toggle_.state() - recordState_;
}

KXCollectionFollow::Click KXCollectionFollow::click(bool signedIn)
{
    if (!toggle_.click())
        return Click::Refused;
    if (!signedIn) {
        waitingForSignIn_ = true;
        return Click::AwaitSignIn;
    }
    if (countFromRecord_) {
        // The count shown stands for the state before this click; a read on its way may or may
        // not hold it.
        countFromRecord_ = false;
        recordState_ = 1 - toggle_.state();
    }
    readingBack_ = false;
    ++read_;
    return Click::Send;
}

bool KXCollectionFollow::signedIn(bool ownsCollection)
{
    if (!waitingForSignIn_)
        return false;
    waitingForSignIn_ = false;
    if (ownsCollection) {
        toggle_.setState(recordState_);
        return false;
    }
    countFromRecord_ = true;
    return true;
}

int KXCollectionFollow::begin()
{
    return toggle_.begin();
}

KXCollectionFollow::Then KXCollectionFollow::finished(Answer answer)
{
    toggle_.finished(answer == Answer::Accepted);
    if (answer == Answer::Ended)
        return Then::Nothing;
    if (answer == Answer::Failed) {
        // Put back for now; the service may have applied it.
        ++read_;
        readingBack_ = true;
        recordIn_ = false;
        listState_.reset();
        return Then::ReadBack;
    }
    if (!countFromRecord_)
        return Then::Nothing;
    ++read_;
    return Then::ReadRecord;
}

void KXCollectionFollow::changedElsewhere(int state)
{
    toggle_.setState(state);
}

bool KXCollectionFollow::recordRead(unsigned long long read)
{
    if (read != read_)
        return false;
    if (readingBack_ && !listState_) {
        // The list decides the state this count stands for; until it does, the count is shown as read.
        recordIn_ = true;
        countFromRecord_ = true;
        return true;
    }
    // A click waiting for the sign-in has changed nothing the record counts.
    recordState_ = listState_.value_or(waitingForSignIn_ ? recordState_ : toggle_.state());
    countFromRecord_ = false;
    readingBack_ = false;
    return true;
}

bool KXCollectionFollow::followsRead(unsigned long long read, bool followed)
{
    if (read != read_ || !readingBack_ || toggle_.isPending())
        return false;
    const int state = followed ? 1 : 0;
    const bool applied = state != toggle_.state();
    toggle_.setState(state);
    listState_ = state;
    if (recordIn_) {
        recordState_ = state;
        countFromRecord_ = false;
        readingBack_ = false;
    }
    return applied;
}

KXCollectionFollow::Stored KXCollectionFollow::followsStored(bool followed)
{
    if (toggle_.isPending() || waitingForSignIn_)
        return {};
    const int state = followed ? 1 : 0;
    if (readingBack_) {
        const bool applied = followsRead(read_, followed);
        return {applied, applied};
    }
    if (state == toggle_.state())
        return {};
    toggle_.setState(state);
    return {true, false};
}

void KXCollectionFollow::recordStored()
{
    if (toggle_.isPending() || waitingForSignIn_)
        return;
    recordState_ = toggle_.state();
    countFromRecord_ = false;
    readingBack_ = false;
}
