#pragma once

#include "Class/ServiceCore/Transport/KXRequestAccount.h"

// Decides whether a list reply may still be applied. Each request takes a ticket: a sequence
// number and the account it was sent for (KXRequestAccount). A reply is applied only while that
// account is still the signed-in one (a late reply never fills the lists of a user who signed out
// meanwhile) and when no reply of a later request has been applied (a slow list never replaces a
// newer one). A change the client knows the server has made (a folder created, deleted or
// filled) supersedes every ticket issued before it, so a list asked for earlier cannot bring the
// old state back.
//
// The shared gates cover the session's folder list (`groupsInfo`) and followed collections
// (`followsArray`); whatever stores either from a reply (the pages, the main window's menu and
// pop-ups, the splash) goes through them by way of KXFolderSession. Main thread only.
class KXReplyGate {
public:
    struct Ticket {
        unsigned long long sequence = 0;
        KXRequestAccount::Mark account;
    };
    enum class Verdict {
        Admitted,     // apply it
        Newer,        // a later request's reply, made after every known change, is applied: show that
        Superseded,   // a change was made after the request and no later reply has come: ask again
        OtherSession, // the user signed out or another signed in: drop it
    };

    static KXReplyGate& folders();
    static KXReplyGate& follows();

    Ticket issue();
    // The ticket was issued signed in, and its account is still the current one.
    static bool sameSession(const Ticket& ticket);
    // Whether the reply of the ticket's request may be applied; an admitted ticket becomes the
    // newest applied.
    Verdict admit(const Ticket& ticket);
    // Every ticket issued so far is out of date.
    void supersede();

private:
    unsigned long long issued_ = 0;
    unsigned long long applied_ = 0;
    unsigned long long supersededAt_ = 0;
};
