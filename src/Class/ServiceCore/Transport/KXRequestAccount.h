#pragma once

#include "Class/ServiceCore/Transport/KXAccountState.h"
#include "Platform/Foundation/Error.h"

#include <string>

// The account a request is asked for. A request takes the mark of the account signed in when it is
// sent; its reply belongs to that account only while the mark is still current. The mark moves on
// wherever the session token is stored or removed (a sign-in, a refused agreement, a sign-out), so
// a reply asked before another account signed in, or before this one signed out and back in, is
// no longer current even when the tokens happen to be equal; and a token changed anywhere else
// still makes the marks taken before it out of date, since the token is part of the mark.
//
// The transport drops the replies of per-user operations whose mark is out of date and hands
// their callers endedError() instead, as it does for their failures; the store and the folders' reply gate ask isCurrent() of the
// marks they keep. The serial is atomic and the token is read from the user defaults, so marks may
// be taken and compared on any thread.
class KXRequestAccount {
public:
    struct Mark {
        unsigned long long serial = 0;
        std::string token; // the stored token, "" without one
        KXAccountState::State state = KXAccountState::State::SignedOut;
        bool signedIn() const { return state == KXAccountState::State::SignedIn; }
    };

    // The error domain a dropped reply's caller gets.
    static constexpr const char* kEndedDomain = "KXRequestAccountEnded";

    static Mark current();
    static bool isCurrent(const Mark& mark);
    // The session token was stored or removed: every mark taken before is out of date.
    static void changed();
    // The signed-in account's token, "" when nobody is signed in (a user still to accept the
    // agreement is not).
    static std::string currentToken();
    // Whether someone is signed in: KXAccountState::signedIn().
    static bool signedIn();

    // What the caller of a dropped reply gets, and the test for it: a failure path that would tell
    // the user of a failed request stays silent for a request of an account that has gone.
    static foundation::Ref<foundation::Error> endedError();
    static bool isEnded(const foundation::Ref<foundation::Error>& error);
};
