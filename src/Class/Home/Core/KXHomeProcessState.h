#pragma once

#include "Platform/Foundation/Object.h"

#include <string>

// The pointer's stay over the two section tabs of the left menu.
struct KXHoverState {
    // Pointer entries minus exits over the two section tabs.
    long long count = 0;
    // The identifier of the section tab entered last.
    std::string lastHovered;
    // While a hover check waits to run.
    bool checkPending = false;
};

// The values the main window keeps once for the whole process rather than per window: the side
// tables' memory of the row clicked last, which table it was in and whether the menu is expanded;
// the hover state of the section tabs; the order polls left; the sign-in waiting for the user's
// agreement. Tests put everything back with reset(). Main thread only.
struct KXHomeProcessState {
    // The row clicked last in either side table; -2 until one is clicked, 0 after a tab touch.
    long long sideTableRowMemory = -2;
    // Whether the last row click was in the followed-collection table.
    bool followedSelection = false;
    // Flipped by every collapse or expansion of the left menu.
    bool menuExpanded = true;
    KXHoverState hover;
    // Unpaid-order polls left to the reminder; 0 when none runs.
    unsigned remainingOrderPolls = 0;
    // The signed-in user's record while the agreement window asks; nil otherwise.
    foundation::Id pendingSignIn;
    // The acceptance being confirmed with the service, 0 when none is (numbered, so that a late
    // outcome of an earlier one is known for what it is).
    unsigned long long confirmingAgreement = 0;

    static KXHomeProcessState& shared();
    // The values the process starts with.
    static void reset();
};
