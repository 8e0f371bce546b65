#pragma once

#include "Platform/Foundation/Object.h"

#include <functional>
#include <optional>
#include <string>

// The version check: the service's newest client version against the installed one.
//
// Versions compare as texts with numeric ordering (runs of digits by value, other characters by
// code, a prefix first); the service's "_beta" marks are removed before comparing. The two places
// that check differ in the installed version they compare with: the start-up check takes the
// user default "appVersion" as stored, the About page takes it without "_beta". So an installed
// 2.1.0_beta sees no update in 2.1.0 at start-up (the shorter text orders first) nor on the About
// page (equal), but one in 2.1.0.1 only on the About page ("." orders before "_").
class KXVersionCheck {
public:
    enum class Rule { Startup, AboutPage };

    // What a version reply offers.
    struct Offer {
        std::string version; // as the service sent it ("_beta" kept)
        std::string content; // the release notes
        std::string download;
    };
    // nullopt: the reply was refused (errcode not 0), nothing is shown. Otherwise whether the
    // offer is newer than the installed version.
    struct Outcome {
        bool newer = false;
        Offer offer;
    };

    static bool isNewer(const std::string& remote, const std::string& installed, Rule rule);
    // Reads a version reply (the envelope) against `installed`.
    static std::optional<Outcome> evaluate(const foundation::Id& reply, const std::string& installed, Rule rule);
    // The user default "appVersion".
    static std::string installedVersion();

    // Asks the service and answers on the main queue; a transport failure answers nothing.
    static void check(Rule rule, std::function<void(const Outcome&)> done);
};
