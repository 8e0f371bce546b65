#pragma once

#include "Platform/Foundation/Error.h"
#include "Platform/Foundation/Object.h"

#include <functional>
#include <span>
#include <string>
#include <string_view>

// Every request of the API facade that changes what the service holds for the signed-in account,
// each with the read that shows what the service holds after it.
//
// A write whose request fails without a reply that refuses it (a time-out, a lost reply, an HTTP
// error, a reply that is no JSON object) has an unknown outcome: the service may have made the
// change. The facade then runs the write's read before the caller's failure block, whatever the
// caller does; a caller that must know the outcome (a dialog that ends or stays) joins that read
// with readBack(tag, done), which sends nothing more while a read of the same kind asked since that
// failure is on its way (one asked before it may have left before the write, and is not joined).
// Likewise a read asked after a write's reply is never joined to one asked before that reply.
// Each read's end is posted as kReadBackNotification, so every view of that state (pages, side
// lists, a row's star, the cart badge) shows what the service holds. A read that fails leaves its
// state stale: the pages and side lists ask readIfStale() as they open. A write of unknown outcome
// may also reach the service after its read back: for kSettlingSeconds each such look reads that
// state again, and then it is read one last time.
//
// Readers are installed per kind of read: the cart, the unpaid count and the user data are read
// here; the folders and the followed collections by the folders' session, which keeps their reply
// gate. Main thread only.
class KXAccountWrites {
public:
    enum class Read {
        None,        // nothing to read back: the entry says why
        Folders,     // getMyCollect: the folders, their fonts and their publication
        Follows,     // getMyCollect type 1: the followed collections (and the collection's record, read by its page)
        Cart,        // getCarts
        UnpaidCount, // getUnpaid
        UserData,    // the user's record: the stored session renewed (login without name and password)
    };

    struct Write {
        std::string_view tag;  // "" for the operation that takes the caller's parameters as they are
        std::string_view path; // "" for the base URL
        std::string_view name;
        Read read;
        // Read by the write's own caller rather than by the facade, or why there is nothing to read.
        std::string_view note;
        // The facade leaves the read to the caller (it compares the count with one from before).
        bool readByCaller = false;
        // Doubled, it costs the person (a second folder, a second publication): it is kept in the
        // user defaults before its request leaves (kWritesOnTheirWayKey), until its reply, or its
        // settling read after a failure, settles it; a start that finds it reads its state back
        // once its account is signed in (settleKept()). subOrder keeps its own (KXOrderReadBack).
        bool keptAhead = false;
        // Of a write kept ahead, the parameter naming what it changes (a folder's name, a folder's
        // id): kept with it, so that a press about the same thing is known while it is unknown.
        std::string_view subject = {};
    };

    // Posted on the default centre, with no sender, after each read: {"read": its name, "ok": BOOL,
    // "tag": the write that asked or "", "reply": the read's reply when ok}.
    static constexpr const char* kReadBackNotification = "KXAccountWritesReadBack";
    // How long after a write of unknown outcome the service may still make it (its request slow
    // to arrive): until then each look at that state reads it again, and once it has passed the
    // state is read one last time.
    // It reaches past the slowest landing seen (an order made 60 s after it was sent).
    static constexpr double kSettlingSeconds = 90.0;
    // After that last read, a write may still land later still: for this long each look reads
    // that state again.
    static constexpr double kLateLookSeconds = 300.0;

    // The user default holding the writes kept ahead: {account key: {write number: {"tag": tag,
    // "subject": its subject}}}. A bare tag in place of the dictionary (as an older client kept
    // them) is a write of that tag whose subject is unknown.
    static constexpr const char* kWritesOnTheirWayKey = "writesOnTheirWay";

    static std::span<const Write> table();
    // The write posted to this tag and path; nullptr for an operation that changes nothing.
    static const Write* find(std::string_view tag, std::string_view path);
    static std::string_view readName(Read read);

    // A failure that leaves the outcome unknown: not a dropped reply of an account that has gone.
    // Refusals with an errcode reach the success block and are not failures.
    static bool outcomeUnknown(const foundation::Ref<foundation::Error>& error);

    struct Result {
        bool ok = false;
        foundation::Id reply;
    };
    using Done = std::function<void(const Result& result)>;
    // A reader sends its request and calls its block exactly once.
    using Reader = std::function<void(Done done)>;
    // Installs the reader of a kind (an empty one: the built-in reader again, if any).
    static void setReader(Read read, Reader reader);

    // Runs the read of the write posted to `tag` (joining one of its kind on its way) and posts the
    // notification; `done` gets the result. A tag without a read calls `done` with ok false at once.
    static void readBack(std::string_view tag, Done done = {});
    // Runs a read of that kind now (joining one on its way).
    static void read(Read read, Done done = {});
    // Whether the last read of that kind failed after a write whose outcome was unknown.
    static bool isStale(Read read);
    // A write of unknown outcome of that kind that its own caller reads back: each look at that
    // state reads it again until the settling time has passed, and then once more.
    static void settleLater(Read read);
    // For a kind whose writes' own caller keeps their unknown outcome (the orders): while
    // `stillUnknown` says one is, each look reads that state again. An empty one: none.
    static void setStillUnknown(Read read, std::function<bool()> stillUnknown);
    // Reads again a kind left stale, or one a write of unknown outcome may still change; nothing
    // otherwise.
    static void readIfStale(Read read);
    // The success block the facade hands the transport for `write`: its reply says the write has
    // landed, so a read asked from then on is not joined to one on its way, which may have left
    // before it, and the landing of its kind runs before `success`.
    static std::function<void(const foundation::Id&)> landingOnReply(const Write& write,
                                                                      std::function<void(const foundation::Id&)> success);
    // Installs what a write of that kind landing does to the state's store (the folders' session:
    // no list asked before it may bring the old state back); an empty one: nothing.
    static void setLanding(Read read, std::function<void()> landing);
    // Installs how the signed-in account is known across starts ("" for none: nothing is kept).
    static void setAccountKey(std::function<std::string()> accountKey);
    // Before the request of a write kept ahead leaves: it is kept for the signed-in account with its
    // subject, and the number it is kept under is returned (0: not kept). Its landing and failure
    // blocks get it.
    static unsigned long long keepAhead(const Write& write, std::string_view subject = {});
    // Whether a write to `tag` about `subject` is kept for the signed-in account with its outcome
    // unknown: kept by an earlier run, or failed in this one without a reply that settled it, and
    // not yet settled by a read. One whose subject is unknown counts for every subject. A press
    // about that subject reads its state first and sends only when the read shows it not made.
    static bool keptUnknown(std::string_view tag, std::string_view subject);
    // A read has shown what became of those writes (made, or not made and sent again): they are
    // no longer kept.
    static void forgetKept(std::string_view tag, std::string_view subject);
    // A start, once the account is signed in: every write kept for it by an earlier run is read
    // back and stays unsettled for the settling time (each look reads its state again).
    static void settleKept();
    // The success block the facade hands the transport for `write` kept under `kept`: as
    // landingOnReply(), and the write is no longer kept.
    static std::function<void(const foundation::Id&)> landingOnReply(
        const Write& write, unsigned long long kept, std::function<void(const foundation::Id&)> success);
    // The failure block of a write kept under `kept`: as readingBackOnFailure(); a failure that
    // leaves the outcome unknown keeps it until its settling read.
    static std::function<void(const foundation::Ref<foundation::Error>&)> readingBackOnFailure(
        const Write& write, unsigned long long kept,
        std::function<void(const foundation::Ref<foundation::Error>&)> failure);
    // The failure block the facade hands the transport for `write`: reads back, then calls `failure`.
    static std::function<void(const foundation::Ref<foundation::Error>&)>
    readingBackOnFailure(const Write& write, std::function<void(const foundation::Ref<foundation::Error>&)> failure);
};
