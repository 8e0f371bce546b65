#pragma once

#include "Class/Favourites/Core/KXFollowToggle.h"

#include <optional>

// The follow state of a collection header, without widgets: the button's state, the follower
// count shown beside it, and which of the header's reads may still change them.
//
// The count shown is the record's "follow_num" moved by countShift(). The record counts the
// follow as it stood when it was read (its state); a signed-in click moves the count with the
// button. A click made signed out waits for the sign-in and moves nothing: the record was read
// signed out, so it cannot tell whether the account that signs in already follows. Such a click,
// once answered, has the record read again and its count shown as it is.
//
// A follow request that fails without a reply (a time-out, a lost reply, a 5xx) may have been
// applied: the button is put back at once, then read back, the state from the followed list and
// the count from the record, both read again; once they are in, the count is the record's as it
// stands for that state. A click or a record shown meanwhile makes those reads out of date.
// Main thread only.
class KXCollectionFollow {
public:
    enum class Click {
        Refused, // a request runs: its answer decides
        Send, // send the state shown now
        AwaitSignIn, // signed out: the state shown is sent at the next sign-in
    };
    enum class Answer { Accepted, Refused, Failed, Ended };
    enum class Then {
        Nothing,
        ReadRecord, // read the record again for its count
        ReadBack, // read the followed list and the record again
    };

    // A record shown, followed or not by the session's list; earlier reads are out of date.
    void showRecord(bool followed);
    int state() const { return toggle_.state(); }
    bool isPending() const { return toggle_.isPending(); }
    bool isWaitingForSignIn() const { return waitingForSignIn_; }
    // What to add to the record's "follow_num" to show the count.
    int countShift() const;

    // A click on the button (whose state has flipped).
    Click click(bool signedIn);
    // The sign-in a click waited for came: true when the state shown is to be sent now. Nothing is
    // sent when the account that signed in owns the collection: the button goes back to the record.
    bool signedIn(bool ownsCollection);
    // The request for the state shown goes now: the state it asks for.
    int begin();
    // Its answer, and what to read.
    Then finished(Answer answer);
    // The service took a follow or unfollow made elsewhere (another page, the side table).
    void changedElsewhere(int state);

    // The reads: each is numbered when it starts, and only the latest of its kind is taken.
    unsigned long long read() const { return read_; }
    // The record read again gave its count: true when it is to be shown.
    bool recordRead(unsigned long long read);
    // The followed list read back: whether it holds the collection. True when it shows the
    // request that failed applied (the state moved from the one put back).
    bool followsRead(unsigned long long read, bool followed);
    // The session stored a followed list, whoever read it: the state follows it, except while a
    // request runs or a click waits for the sign-in. During a read-back it counts as that read.
    struct Stored {
        bool changed = false; // the state shown moved
        bool applied = false; // it shows a request that failed applied after all
    };
    Stored followsStored(bool followed);
    // The count shown is a record's, read for the state shown now (the followed list's copy of it).
    void recordStored();

private:
    KXFollowToggle toggle_;
    // The state the record's count stands for.
    int recordState_ = 0;
    // The count is the record's as read, whatever the state (a follow sent at the sign-in).
    bool countFromRecord_ = false;
    bool waitingForSignIn_ = false;
    unsigned long long read_ = 0;
    // Of a read-back: the state the followed list gave, and whether the record is in.
    std::optional<int> listState_;
    bool readingBack_ = false;
    bool recordIn_ = false;
};
