#pragma once

#include "Platform/Foundation/Object.h"

namespace foundation {
class UserDefaults;
}
class KXGlobalDataBase;

// What the splash does with the service's start-up replies, and the data-version baseline rule.
// Widget-free; called on the main queue, where every reply arrives, so the pending catalogue
// update is always written from one thread.
class KXStartupRules {
public:
    // The data version stored when the stored one does not pass the baseline rule.
    static constexpr const char* kBaselineDataVersion = "A20200326154556";

    // The start-up data reply (getBaseInfo): its page addresses into the user defaults, in table
    // order (a missing or non-text field removes its key), the popularity list, and what of the
    // payload the client reads (those fields and the list's "fid"s) as the "initData" archive,
    // written in the background. Only a reply with errcode 0 and a dictionary payload is applied:
    // an error reply must not wipe the stored page addresses.
    static bool applyStartupData(const foundation::Id& reply, foundation::UserDefaults& defaults,
                                 KXGlobalDataBase& state);
    // The user-defaults keys filled from the start-up data, in order, with their reply fields.
    struct PageField {
        const char* replyField;
        const char* defaultsKey;
    };
    static const PageField kPageFields[12];

    // The catalogue data state reply (getBaseData): records a pending partial or full update.
    static void applyDataState(const foundation::Id& reply, foundation::UserDefaults& defaults, KXGlobalDataBase& state);

    // Stores the baseline under "dataVersion" unless the stored version sorts above it and has a
    // positive integer value. Returns whether the baseline was stored.
    static bool applyBaseline(foundation::UserDefaults& defaults);

    // The catalogue copy was made again from the installed catalogue: "dataVersion" goes back to
    // the baseline, so that the next data check brings the copy up to date as on a first start.
    static void catalogueRestored(foundation::UserDefaults& defaults);
};
