#include "Class/ServiceCore/Transport/KXAccountWrites.h"

#include "Class/ServiceCore/Transport/KXAccountState.h"
#include "Class/ServiceCore/Transport/KXHTTPBUSINESS.h"
#include "Class/ServiceCore/Transport/KXRequestAccount.h"
#include "Platform/Dispatch/Clock.h"
#include "Platform/Dispatch/NotificationCenter.h"
#include "Platform/Dispatch/Queue.h"
#include "Platform/Foundation/Dictionary.h"
#include "Platform/Foundation/Number.h"
#include "Platform/Storage/UserDefaults.h"

#include <array>
#include <chrono>
#include <map>
#include <optional>
#include <set>
#include <vector>

using foundation::Id;
using foundation::Ref;
using Read = KXAccountWrites::Read;

namespace {

// By tag. Every operation of the facade that changes the account's data is here; the others only
// read, or report the client's use and errors, which no screen shows.
constexpr std::array<KXAccountWrites::Write, 14> kAccountWrites{{
    {"103", "fontDown", "upLoadAppUseInfoDownloadids", Read::None,
     "a use report sent with every download; it moves the recently used fonts and the download count, which the shell "
     "reads at start and the personal centre each time it opens, so no shown state waits on it"},
    {"105", "addLike", "addLike", Read::Folders, "each folder's fonts are in the folder list: a row's star follows it"},
    {"", "getUseFonts", "EditFontToGroupWithByParameters", Read::Folders, "the caller's own parameters; folders' fonts"},
    {"117", "register", "register", Read::None,
     "makes an account and signs it in: without the reply the client holds no token to read that account with; its "
     "panel reads it back by signing in with the phone and password typed"},
    {"118", "agreement", "agreement", Read::UserData,
     "the waiting sign-in's record says whether its user has agreed; the account is signed in only once it does"},
    {"119", "modifyInfo", "modifyInfo", Read::UserData, ""},
    {"133", "createCollect", "createCollect", Read::Folders, "", false, true, "name"},
    {"134", "modifyCollect", "modifyCollect", Read::Folders, ""},
    {"135", "deleCollect", "deleCollect", Read::Folders, ""},
    {"136", "", "publishCollection", Read::Folders, "a folder's publication is in the folder list", false, true, "id"},
    {"138", "followCollect", "followCollect", Read::Follows,
     "the followed list; a page showing the collection reads its record (getCollectInfo) again on the notice"},
    {"153", "addCarts", "addCarts", Read::Cart, ""},
    {"154", "delCarts", "delCarts", Read::Cart, ""},
    {"159", "subOrder", "subOrder", Read::UnpaidCount,
     "read by the order page's read-back (KXOrderReadBack), which compares the count with the one from before the order", true},
}};

bool readSucceeded(const Id& reply)
{
    return reply.dictionary() && reply["errcode"].integerValue() == 0 && reply["errorcode"].integerValue() == 0;
}

// A plain request of the facade as a reader.
KXAccountWrites::Reader facadeReader(void (KXHTTPBUSINESS::*operation)(KXHTTPBUSINESS::Success, KXHTTPBUSINESS::Failure))
{
    return [operation](KXAccountWrites::Done done) {
        (KXHTTPBUSINESS().*operation)(
            [done](const Id& reply) { done({readSucceeded(reply), reply}); },
            [done](const Ref<foundation::Error>&) { done({false, Id()}); });
    };
}

struct ReadBackState {
    std::map<Read, KXAccountWrites::Reader> installed;
    std::map<Read, std::function<void()>> landings;
    std::map<Read, std::function<bool()>> stillUnknown;
    std::function<std::string()> accountKey;
    unsigned long long lastKept = 0;
    // The accounts whose writes kept by an earlier run are being settled in this one.
    std::set<std::string> keptSettled;
    // The blocks waiting for the read of each kind on its way, and the tag that asked first.
    struct InFlight {
        unsigned long long id = 0;
        unsigned long long generation = 0;
        std::string tag;
        std::vector<KXAccountWrites::Done> waiting;
    };
    std::map<Read, InFlight> inFlight;
    // Reads a later write's failure no longer joins: they may have left before that write did.
    std::map<unsigned long long, InFlight> older;
    unsigned long long lastId = 0;
    // Moves on with each write whose outcome is unknown.
    unsigned long long generation = 0;
    // Of each kind left stale, the account it was read for: another account's stale read is none.
    std::map<Read, KXRequestAccount::Mark> stale;
    // Of each kind a write of unknown outcome touched, the number of its latest such write and the
    // account it was sent for: until its settling read, each look at that state reads it again.
    struct Unsettled {
        unsigned long long number = 0;
        KXRequestAccount::Mark account;
        // The writes kept ahead that this settling read settles: {account key: write numbers}.
        std::map<std::string, std::vector<std::string>> kept;
    };
    std::map<Read, Unsettled> unsettled;
    // Of each kind whose last settling read has been asked, until when each look still reads it.
    struct LateLooks {
        dispatch::Clock::TimePoint until;
        KXRequestAccount::Mark account;
    };
    std::map<Read, LateLooks> lateLooks;
    unsigned long long lastUnsettled = 0;
};

ReadBackState& readBackState()
{
    static ReadBackState shared;
    return shared;
}

KXAccountWrites::Reader installedReader(Read read)
{
    if (const auto found = readBackState().installed.find(read); found != readBackState().installed.end() && found->second)
        return found->second;
    switch (read) {
    case Read::Cart:
        return facadeReader(&KXHTTPBUSINESS::getBuyCartsDataSuceess);
    case Read::UnpaidCount:
        return facadeReader(&KXHTTPBUSINESS::getUnpaidOriderSuceess);
    case Read::UserData:
        // The user's record (agreement mark, profile) comes with the renewal of the stored
        // session, which keeps its token; getUserData holds only the counters. A sign-in still
        // waiting for the agreement is renewed as the agreement's own read.
        return [](KXAccountWrites::Done done) {
            auto success = [done](const Id& reply) { done({readSucceeded(reply), reply}); };
            auto failure = [done](const Ref<foundation::Error>&) { done({false, Id()}); };
            if (KXAccountState::awaitingAgreement())
                KXHTTPBUSINESS().renewWaitingSignIn(std::move(success), std::move(failure));
            else
                KXHTTPBUSINESS().LoginWithName(Id(""), Id(""), std::move(success), std::move(failure));
        };
    case Read::None:
    case Read::Folders:
    case Read::Follows:
        break;
    }
    return {};
}

void runReadBack(Read read, std::string_view tag, KXAccountWrites::Done done)
{
    auto& state = readBackState();
    if (const auto running = state.inFlight.find(read); running != state.inFlight.end()) {
        if (running->second.generation == state.generation) {
            if (done)
                running->second.waiting.push_back(std::move(done));
            return;
        }
        const unsigned long long id = running->second.id;
        state.older.emplace(id, std::move(running->second));
        state.inFlight.erase(running);
    }
    const auto reader = installedReader(read);
    if (!reader) {
        if (done)
            done({});
        return;
    }
    auto& flight = state.inFlight[read];
    flight.id = ++state.lastId;
    flight.generation = state.generation;
    flight.tag = std::string(tag);
    if (done)
        flight.waiting.push_back(std::move(done));
    reader([read, id = flight.id, asked = KXRequestAccount::current()](const KXAccountWrites::Result& result) {
        auto& ending = readBackState();
        std::optional<ReadBackState::InFlight> finished;
        if (const auto current = ending.inFlight.find(read); current != ending.inFlight.end() && current->second.id == id) {
            finished = std::move(current->second);
            ending.inFlight.erase(current);
        } else if (const auto old = ending.older.find(id); old != ending.older.end()) {
            finished = std::move(old->second);
            ending.older.erase(old);
        }
        if (!finished)
            return; // a reader that answered twice
        if (result.ok)
            ending.stale.erase(read);
        else
            ending.stale[read] = asked;
        auto info = foundation::MutableDictionary::create();
        info->setObject(Id(std::string(KXAccountWrites::readName(read))), Id("read"));
        info->setObject(Id(foundation::Number::numberWithBool(result.ok)), Id("ok"));
        info->setObject(Id(finished->tag), Id("tag"));
        if (result.ok && !result.reply.isNil())
            info->setObject(result.reply, Id("reply"));
        dispatch::NotificationCenter::defaultCenter().post(KXAccountWrites::kReadBackNotification, Id(), info);
        for (const auto& waiting : finished->waiting)
            waiting(result);
    });
}

// The writes kept ahead, as stored: {account key: {write number: {"tag", "subject"}}}.
foundation::Ref<foundation::MutableDictionary> keptWrites()
{
    const auto stored = foundation::UserDefaults::standardUserDefaults().dictionaryForKey(KXAccountWrites::kWritesOnTheirWayKey);
    return stored ? foundation::MutableDictionary::dictionaryWithDictionary(*stored) : foundation::MutableDictionary::create();
}

void storeKeptWrites(const foundation::Ref<foundation::MutableDictionary>& kept)
{
    auto& defaults = foundation::UserDefaults::standardUserDefaults();
    if (kept->count() > 0)
        defaults.setObject(Id(kept), KXAccountWrites::kWritesOnTheirWayKey);
    else
        defaults.removeObjectForKey(KXAccountWrites::kWritesOnTheirWayKey);
    defaults.synchronize();
}

void forgetKeptNumbers(const std::string& account, const std::vector<std::string>& numbers)
{
    if (account.empty() || numbers.empty())
        return;
    auto kept = keptWrites();
    const auto ofAccount = Id(kept)[account].dictionary();
    if (!ofAccount)
        return;
    auto remaining = foundation::MutableDictionary::dictionaryWithDictionary(*ofAccount);
    for (const std::string& number : numbers)
        remaining->removeObjectForKey(Id(number));
    if (remaining->count() > 0)
        kept->setObject(Id(remaining), Id(account));
    else
        kept->removeObjectForKey(Id(account));
    storeKeptWrites(kept);
}

// A write as kept: its tag, and its subject (nullopt: kept without one, by an older client).
struct KeptEntry {
    std::string tag;
    std::optional<std::string> subject;
};
KeptEntry keptEntry(const Id& stored)
{
    if (stored.dictionary())
        return { stored["tag"].stringValue(),
            stored["subject"].string() ? std::optional(stored["subject"].stringValue()) : std::nullopt };
    return { stored.stringValue(), std::nullopt };
}

std::string currentAccountKey()
{
    const auto& provider = readBackState().accountKey;
    return provider && KXRequestAccount::signedIn() ? provider() : std::string();
}

// The account key and number a write was kept under (the key of the account that sent it).
struct KeptWrite {
    std::string account;
    std::string number;
};
std::map<unsigned long long, KeptWrite>& keptInThisRun()
{
    static std::map<unsigned long long, KeptWrite> kept;
    return kept;
}

// A write of that kind may still land after its failure (a request slow to reach the
// service, which answers it after the client gave up): its kind stays unsettled for the settling
// time, then is read once more, and that read says what the service holds.
void settleKind(Read read, const KeptWrite& kept = {})
{
    auto& state = readBackState();
    const unsigned long long number = ++state.lastUnsettled;
    // A later write of unknown outcome takes over the writes kept that this one would settle.
    auto keptBefore = state.unsettled[read].kept;
    if (!kept.account.empty())
        keptBefore[kept.account].push_back(kept.number);
    state.unsettled[read] = {number, KXRequestAccount::current(), std::move(keptBefore)};
    dispatch::mainQueue().after(KXAccountWrites::kSettlingSeconds, [read, number] {
        auto& settling = readBackState();
        const auto found = settling.unsettled.find(read);
        if (found == settling.unsettled.end() || found->second.number != number)
            return; // a later write of unknown outcome settles it
        const KXRequestAccount::Mark account = found->second.account;
        const auto keptWrites = found->second.kept;
        settling.unsettled.erase(found);
        if (!account.signedIn() || !KXRequestAccount::isCurrent(account))
            return; // kept for the account's return
        // Its last read is asked: what it shows is what the service holds.
        for (const auto& [key, numbers] : keptWrites)
            forgetKeptNumbers(key, numbers);
        settling.lateLooks[read] = {dispatch::Clock::current()->now() + dispatch::Clock::seconds(KXAccountWrites::kLateLookSeconds),
                                    account};
        ++settling.generation;
        runReadBack(read, "", {});
    });
}

bool unsettled(Read read)
{
    const auto& unsettled = readBackState().unsettled;
    const auto found = unsettled.find(read);
    if (found != unsettled.end() && found->second.account.signedIn() && KXRequestAccount::isCurrent(found->second.account))
        return true;
    auto& late = readBackState().lateLooks;
    const auto looking = late.find(read);
    if (looking == late.end())
        return false;
    if (dispatch::Clock::current()->now() >= looking->second.until || !KXRequestAccount::isCurrent(looking->second.account)) {
        late.erase(looking);
        return false;
    }
    return looking->second.account.signedIn();
}

} // namespace

std::span<const KXAccountWrites::Write> KXAccountWrites::table()
{
    return kAccountWrites;
}

const KXAccountWrites::Write* KXAccountWrites::find(std::string_view tag, std::string_view path)
{
    for (const auto& write : kAccountWrites) {
        if (write.tag == tag && write.path == path)
            return &write;
    }
    return nullptr;
}

std::string_view KXAccountWrites::readName(Read read)
{
    switch (read) {
    case Read::None:
        return "";
    case Read::Folders:
        return "folders";
    case Read::Follows:
        return "follows";
    case Read::Cart:
        return "cart";
    case Read::UnpaidCount:
        return "unpaid";
    case Read::UserData:
        return "userData";
    }
    return "";
}

bool KXAccountWrites::outcomeUnknown(const Ref<foundation::Error>& error)
{
    return error && !KXRequestAccount::isEnded(error);
}

void KXAccountWrites::setReader(Read read, Reader reader)
{
    readBackState().installed[read] = std::move(reader);
}

void KXAccountWrites::readBack(std::string_view tag, Done done)
{
    for (const auto& write : kAccountWrites) {
        if (write.tag == tag && write.read != Read::None) {
            runReadBack(write.read, tag, std::move(done));
            return;
        }
    }
    if (done)
        done({});
}

void KXAccountWrites::read(Read read, Done done)
{
    runReadBack(read, "", std::move(done));
}

bool KXAccountWrites::isStale(Read read)
{
    const auto& stale = readBackState().stale;
    const auto found = stale.find(read);
    return found != stale.end() && found->second.signedIn() && KXRequestAccount::isCurrent(found->second);
}

void KXAccountWrites::settleLater(Read read)
{
    settleKind(read);
}

void KXAccountWrites::setStillUnknown(Read read, std::function<bool()> stillUnknown)
{
    readBackState().stillUnknown[read] = std::move(stillUnknown);
}

void KXAccountWrites::readIfStale(Read read)
{
    const auto& kept = readBackState().stillUnknown;
    const auto found = kept.find(read);
    const bool keptUnknown = found != kept.end() && found->second && found->second();
    if (isStale(read) || unsettled(read) || keptUnknown)
        runReadBack(read, "", {});
}

void KXAccountWrites::setAccountKey(std::function<std::string()> accountKey)
{
    readBackState().accountKey = std::move(accountKey);
}

unsigned long long KXAccountWrites::keepAhead(const Write& write, std::string_view subject)
{
    if (!write.keptAhead)
        return 0;
    const std::string account = currentAccountKey();
    if (account.empty())
        return 0;
    const unsigned long long kept = ++readBackState().lastKept;
    // Unique across runs: an earlier run's writes of this account may still be kept.
    const auto since = std::chrono::system_clock::now().time_since_epoch();
    const std::string number
        = std::to_string(std::chrono::duration_cast<std::chrono::milliseconds>(since).count()) + "-"
        + std::to_string(kept);
    auto all = keptWrites();
    const auto ofAccount = Id(all)[account].dictionary();
    auto writes = ofAccount ? foundation::MutableDictionary::dictionaryWithDictionary(*ofAccount)
                            : foundation::MutableDictionary::create();
    writes->setObject(Id(foundation::Dictionary::create({ { Id("tag"), Id(std::string(write.tag)) },
                          { Id("subject"), Id(std::string(subject)) } })),
        Id(number));
    all->setObject(Id(writes), Id(account));
    storeKeptWrites(all);
    keptInThisRun()[kept] = { account, number };
    return kept;
}

void KXAccountWrites::settleKept()
{
    const std::string account = currentAccountKey();
    if (account.empty() || readBackState().keptSettled.contains(account))
        return;
    const auto writes = Id(keptWrites())[account].dictionary();
    if (!writes)
        return;
    readBackState().keptSettled.insert(account);
    std::map<Read, std::vector<std::string>> byKind;
    std::map<Read, std::string> tags;
    const auto keys = writes->allKeys();
    for (const Id& number : keys->objects()) {
        for (const auto& write : kAccountWrites) {
            if (write.tag == keptEntry(Id(writes)[number]).tag && write.read != Read::None) {
                byKind[write.read].push_back(number.stringValue());
                tags.emplace(write.read, std::string(write.tag));
            }
        }
    }
    for (const auto& [read, numbers] : byKind) {
        ++readBackState().generation;
        for (const std::string& number : numbers)
            settleKind(read, { account, number });
        readBack(tags[read]);
    }
}

namespace {

// The numbers of the writes to `tag` about `subject` kept for the signed-in account, but for those
// of this run still on their way (their reply or failure will say).
std::vector<std::string> keptNumbers(std::string_view tag, std::string_view subject)
{
    std::vector<std::string> numbers;
    const std::string account = currentAccountKey();
    if (account.empty())
        return numbers;
    const auto writes = Id(keptWrites())[account].dictionary();
    if (!writes)
        return numbers;
    std::set<std::string> onTheirWay;
    for (const auto& [kept, write] : keptInThisRun())
        if (write.account == account)
            onTheirWay.insert(write.number);
    const auto keys = writes->allKeys();
    for (const Id& number : keys->objects()) {
        const KeptEntry entry = keptEntry(Id(writes)[number]);
        if (entry.tag != tag || onTheirWay.contains(number.stringValue()))
            continue;
        if (!entry.subject || *entry.subject == subject)
            numbers.push_back(number.stringValue());
    }
    return numbers;
}

} // namespace

bool KXAccountWrites::keptUnknown(std::string_view tag, std::string_view subject)
{
    return !keptNumbers(tag, subject).empty();
}

void KXAccountWrites::forgetKept(std::string_view tag, std::string_view subject)
{
    forgetKeptNumbers(currentAccountKey(), keptNumbers(tag, subject));
}

std::function<void(const Id&)> KXAccountWrites::landingOnReply(
    const Write& write, unsigned long long kept, std::function<void(const Id&)> success)
{
    return landingOnReply(write, [kept, success = std::move(success)](const Id& reply) {
        if (const auto found = keptInThisRun().find(kept); found != keptInThisRun().end()) {
            forgetKeptNumbers(found->second.account, { found->second.number });
            keptInThisRun().erase(found);
        }
        if (success)
            success(reply);
    });
}

std::function<void(const Ref<foundation::Error>&)> KXAccountWrites::readingBackOnFailure(
    const Write& write, unsigned long long kept, std::function<void(const Ref<foundation::Error>&)> failure)
{
    const std::string tag(write.tag);
    return [tag, read = write.read, kept, failure = std::move(failure)](const Ref<foundation::Error>& error) {
        const auto found = keptInThisRun().find(kept);
        const KeptWrite keptWrite = found != keptInThisRun().end() ? found->second : KeptWrite {};
        if (found != keptInThisRun().end())
            keptInThisRun().erase(found);
        // Kept until its settling read: an end of the client before then leaves it to the next
        // start. Failed for an account that has gone, it waits for that account's return.
        if (outcomeUnknown(error)) {
            ++readBackState().generation;
            settleKind(read, keptWrite);
            readBack(tag);
        }
        if (failure)
            failure(error);
    };
}

std::function<void(const Id&)> KXAccountWrites::landingOnReply(const Write& write, std::function<void(const Id&)> success)
{
    return [read = write.read, success = std::move(success)](const Id& reply) {
        auto& state = readBackState();
        ++state.generation;
        if (const auto landing = state.landings.find(read); landing != state.landings.end() && landing->second)
            landing->second();
        if (success)
            success(reply);
    };
}

void KXAccountWrites::setLanding(Read read, std::function<void()> landing)
{
    readBackState().landings[read] = std::move(landing);
}

std::function<void(const Ref<foundation::Error>&)>
KXAccountWrites::readingBackOnFailure(const Write& write, std::function<void(const Ref<foundation::Error>&)> failure)
{
    if (write.read == Read::None || write.readByCaller)
        return failure;
    const std::string tag(write.tag);
    return [tag, read = write.read, failure = std::move(failure)](const Ref<foundation::Error>& error) {
        // Started first, so that a caller asking for the outcome joins this read; a read that
        // left before this failure may have left before the write too, and is not joined.
        if (outcomeUnknown(error)) {
            ++readBackState().generation;
            settleKind(read);
            readBack(tag);
        }
        if (failure)
            failure(error);
    };
}
