// The writes of the account against the local service: every write whose reply is lost is read
// back, and what the read stored or posted is what the service holds; the table holds every
// operation of the service that changes an account.
#include "Class/ServiceCore/Transport/KXAccountWrites.h"

#include "Class/Favourites/Core/KXFolderSession.h"
#include "Class/ServiceCore/Catalogue/KXUserCenterConfig.h"
#include "Class/ServiceCore/Transport/KXAccountState.h"
#include "Class/ServiceCore/Transport/KXRequestAccount.h"
#include "Class/ServiceCore/Transport/TransportTestSupport.h"
#include "Platform/Dispatch/NotificationCenter.h"
#include "Platform/Storage/UserDefaults.h"

#include "local-service/OperationTable.h"

#include <algorithm>
#include <map>
#include <set>

using foundation::Id;
using localservice::Fault;
using Read = KXAccountWrites::Read;

namespace {

using Send = std::function<void(KXHTTPBUSINESS::Success, KXHTTPBUSINESS::Failure)>;

// How the walk sends one write, and what the service holds afterwards as the read must show it.
struct WriteCase {
    std::function<void()> prepare;
    std::function<Send()> send;
    // Whether what the read left (the session's lists, or the posted reply) shows the write done.
    std::function<bool(const Id& postedReply)> shown;
    std::function<void()> restore;
};

class KXAccountWritesTest : public transporttest::TransportTest {
protected:
    void SetUp() override
    {
        TransportTest::SetUp();
        KXFolderSession::installReaders();
        KXUserCenterConfig::sharedKXUserCenterConfig().removeUserInfo();
        const auto outcome = run([](auto success, auto failure) {
            KXHTTPBUSINESS().LoginWithName(Id("demo"), Id("demo1234"), std::move(success), std::move(failure));
        });
        setDefault("token", outcome.reply["corvane_data"]["token"]);
        KXRequestAccount::changed();
        readBacks_ = dispatch::NotificationCenter::defaultCenter().addObserver(
            KXAccountWrites::kReadBackNotification, Id(), nullptr,
            [this](const dispatch::Notification& n) { posted_.push_back(Id(n.userInfo)); });
        service().requestLog().clear();
    }
    void TearDown() override
    {
        EXPECT_TRUE(waitForQuietTraffic());
        KXUserCenterConfig::sharedKXUserCenterConfig().removeUserInfo();
        TransportTest::TearDown();
    }

    static void loseNextReply(const std::string& key)
    {
        Fault fault;
        fault.kind = Fault::Kind::LostReply;
        fault.remaining = 1;
        service().faults().set(key, fault);
    }
    static Id folderNamed(const std::string& name)
    {
        if (const auto folders = KXUserCenterConfig::sharedKXUserCenterConfig().groupsInfo())
            for (const Id& folder : *folders)
                if (folder["collect_name"].stringValue() == name)
                    return folder;
        return Id();
    }
    static std::string makeFolder(const std::string& name)
    {
        return run([name](auto s, auto f) { KXHTTPBUSINESS().CreateGroupWithName(Id(name), s, f); }).reply["corvane_data"]["id"].stringValue();
    }
    static std::vector<std::string> cart(const Id& reply)
    {
        std::vector<std::string> fids;
        for (const Id& fid : *reply["corvane_data"]["fids"].array())
            fids.push_back(fid.stringValue());
        return fids;
    }
    static bool inCart(const Id& reply, const std::string& fid)
    {
        if (!reply["corvane_data"]["fids"].array())
            return false;
        const auto fids = cart(reply);
        return std::find(fids.begin(), fids.end(), fid) != fids.end();
    }
    static bool follows(const std::string& collection)
    {
        if (const auto followed = KXUserCenterConfig::sharedKXUserCenterConfig().followsArray())
            for (const Id& entry : *followed)
                if (entry["id"].stringValue() == collection)
                    return true;
        return false;
    }

    std::map<std::string, WriteCase> cases();

    std::vector<Id> posted_;
    dispatch::Subscription readBacks_;
};

// One case per write of the table, by its name there.
std::map<std::string, WriteCase> KXAccountWritesTest::cases()
{
    auto fontInNoFolder = std::make_shared<std::string>();
    auto folder = std::make_shared<std::string>();
    auto followed = std::make_shared<std::string>();
    auto fontNotInCart = std::make_shared<std::string>();
    const auto loadFolders = [] {
        bool loaded = false;
        KXFolderSession::reloadFolders([&loaded](const auto&) { loaded = true; });
        EXPECT_TRUE(waitFor([&] { return loaded; }));
    };
    std::map<std::string, WriteCase> all;
    all["upLoadAppUseInfoDownloadids"] = {
        {}, [] { return [](auto s, auto f) { KXHTTPBUSINESS().upLoadAppUseInfoDownloadids(foundation::Array::create({Id("3")}), nullptr, s, f); }; },
        {}, {}};
    all["addLike"] = {
        [=] {
            loadFolders();
            *folder = makeFolder("走查收藏");
            for (long long fid = 1; fid < 200 && fontInNoFolder->empty(); ++fid)
                if (!KXUserCenterConfig::sharedKXUserCenterConfig().isCollected(fid))
                    *fontInNoFolder = std::to_string(fid);
            ASSERT_FALSE(fontInNoFolder->empty());
        },
        [=] { return [=](auto s, auto f) { KXHTTPBUSINESS().CollectFontWithFontid(Id(*fontInNoFolder), Id(*folder), s, f); }; },
        [=](const Id&) { return KXUserCenterConfig::sharedKXUserCenterConfig().isCollected(std::stoll(*fontInNoFolder)); },
        [=] { run([=](auto s, auto f) { KXHTTPBUSINESS().DeleteGroupWithGroup_id(Id(*folder), s, f); }); }};
    // The caller's own parameters, sent as they are: a font filed into the default folder.
    auto filed = std::make_shared<std::pair<std::string, std::string>>();
    all["EditFontToGroupWithByParameters"] = {
        [=] {
            loadFolders();
            const Id liked = folderNamed("喜欢的字体");
            ASSERT_FALSE(liked.isNil());
            *filed = {liked["id"].stringValue(), liked["fonts"].array() && liked["fonts"].count() > 0 ? liked["fonts"][0].stringValue() : "1"};
        },
        [=] {
            return [=](auto s, auto f) {
                KXHTTPBUSINESS().EditFontToGroupWithByParameters(
                    foundation::Dictionary::create({{Id("font_ids"), Id(filed->second)}, {Id("collect_id"), Id(filed->first)}}), s, f);
            };
        },
        [=](const Id& reply) {
            const auto sent = service().requestLog().entries();
            const auto* font = sent.empty() ? nullptr : sent[0].param("font_ids");
            const auto* into = sent.empty() ? nullptr : sent[0].param("collect_id");
            return font && *font == filed->second && into && *into == filed->first && !sent[0].param("tag")
                   && folderNamed("喜欢的字体") && reply.array();
        },
        {}};
    all["register"] = {
        {}, [] { return [](auto s, auto f) { KXHTTPBUSINESS().RegisterWithPhone(Id("13800000077"), Id("0000"), Id("走查密码1"), s, f); }; },
        {}, {}};
    // Answered by a user who has not agreed yet, whose sign-in waits for it.
    auto signedInToken = std::make_shared<Id>();
    all["agreement"] = {
        [=] {
            *signedInToken = Id(KXAccountState::storedToken());
            const Id newbie = run([](auto s, auto f) { KXHTTPBUSINESS().LoginWithName(Id("newbie"), Id("newbie123"), s, f); }).reply["corvane_data"];
            ASSERT_EQ(newbie["is_agree"].integerValue(), 0) << "not agreed before";
            KXAccountState::store(newbie["token"], false);
            KXRequestAccount::changed();
        },
        [] { return [](auto s, auto f) { KXHTTPBUSINESS().agreementProtocolSuceess(s, f); }; },
        [](const Id& reply) { return reply["corvane_data"]["uname"].stringValue() == "newbie" && reply["corvane_data"]["is_agree"].integerValue() == 1; },
        [=] {
            service().setAgreed("newbie", false);
            KXAccountState::store(*signedInToken, true);
            KXRequestAccount::changed();
        }};
    auto nickname = std::make_shared<std::string>();
    all["modifyInfo"] = {
        [=] {
            *nickname = run([](auto s, auto f) { KXHTTPBUSINESS().LoginWithName(Id(""), Id(""), s, f); }).reply["corvane_data"]["nick_name"].stringValue();
        },
        [] {
            return [](auto s, auto f) {
                KXHTTPBUSINESS().ReviseUserInfoWithSex(nullptr, nullptr, nullptr, Id("走查昵称"), nullptr, nullptr, nullptr, s, f);
            };
        },
        [](const Id& reply) { return reply["corvane_data"]["nick_name"].stringValue() == "走查昵称"; },
        [=] {
            run([=](auto s, auto f) {
                KXHTTPBUSINESS().ReviseUserInfoWithSex(nullptr, nullptr, nullptr, Id(*nickname), nullptr, nullptr, nullptr, s, f);
            });
        }};
    all["createCollect"] = {
        {}, [] { return [](auto s, auto f) { KXHTTPBUSINESS().CreateGroupWithName(Id("走查新建"), s, f); }; },
        [](const Id&) { return !folderNamed("走查新建").isNil(); },
        [] { run([](auto s, auto f) { KXHTTPBUSINESS().DeleteGroupWithGroup_id(folderNamed("走查新建")["id"], s, f); }); }};
    all["modifyCollect"] = {
        [=] { *folder = makeFolder("走查改名前"); },
        [=] { return [=](auto s, auto f) { KXHTTPBUSINESS().RenameGroupWithName(Id("走查改名后"), Id(*folder), s, f); }; },
        [](const Id&) { return !folderNamed("走查改名后").isNil() && folderNamed("走查改名前").isNil(); },
        [=] { run([=](auto s, auto f) { KXHTTPBUSINESS().DeleteGroupWithGroup_id(Id(*folder), s, f); }); }};
    all["deleCollect"] = {
        [=] {
            *folder = makeFolder("走查删除");
            loadFolders();
            ASSERT_FALSE(folderNamed("走查删除").isNil());
        },
        [=] { return [=](auto s, auto f) { KXHTTPBUSINESS().DeleteGroupWithGroup_id(Id(*folder), s, f); }; },
        [](const Id&) { return folderNamed("走查删除").isNil(); }, {}};
    all["publishCollection"] = {
        [=] { *folder = makeFolder("走查发布"); },
        [=] {
            return [=](auto s, auto f) {
                KXHTTPBUSINESS().publishCollection(Id(*folder), Id("0"), Id(""), Id("说明"), nullptr, Id("1"), Id("黑体"), nullptr, Id("走查发布"), s, f);
            };
        },
        [](const Id&) { return folderNamed("走查发布")["is_publish"].integerValue() == 1; },
        [=] { run([=](auto s, auto f) { KXHTTPBUSINESS().DeleteGroupWithGroup_id(Id(*folder), s, f); }); }};
    all["followCollect"] = {
        [=] {
            bool loaded = false;
            KXFolderSession::reloadFollows([&loaded](const auto&) { loaded = true; });
            ASSERT_TRUE(waitFor([&] { return loaded; }));
            const auto list = KXUserCenterConfig::sharedKXUserCenterConfig().followsArray();
            ASSERT_TRUE(list && list->count() > 0);
            *followed = Id(list->objectAtIndex(0))["id"].stringValue();
        },
        [=] { return [=](auto s, auto f) { KXHTTPBUSINESS().isAttentionGroup(Id(*followed), Id("0"), s, f); }; },
        [=](const Id&) { return !follows(*followed); },
        [=] { run([=](auto s, auto f) { KXHTTPBUSINESS().isAttentionGroup(Id(*followed), Id("1"), s, f); }); }};
    all["addCarts"] = {
        [=] {
            // Fonts of the catalogue: those the user's folders hold.
            loadFolders();
            const Id reply = run([](auto s, auto f) { KXHTTPBUSINESS().getBuyCartsDataSuceess(s, f); }).reply;
            for (const Id& folderEntry : *KXUserCenterConfig::sharedKXUserCenterConfig().groupsInfo())
                for (const Id& fid : *folderEntry["fonts"].array())
                    if (fontNotInCart->empty() && !inCart(reply, fid.stringValue()))
                        *fontNotInCart = fid.stringValue();
            ASSERT_FALSE(fontNotInCart->empty());
        },
        [=] { return [=](auto s, auto f) { KXHTTPBUSINESS().addBuyCartsWithFids(Id(*fontNotInCart), s, f); }; },
        [=](const Id& reply) { return inCart(reply, *fontNotInCart); }, {}};
    all["delCarts"] = {
        {}, [=] { return [=](auto s, auto f) { KXHTTPBUSINESS().deleteBuyCartsWithFids(Id(*fontNotInCart), s, f); }; },
        [=](const Id& reply) { return reply["corvane_data"]["fids"].array() && !inCart(reply, *fontNotInCart); }, {}};
    auto unpaidBefore = std::make_shared<long long>(-1);
    all["subOrder"] = {
        [=] {
            // A real order: a font of the catalogue in the cart, with a licence the service sells.
            ASSERT_FALSE(fontNotInCart->empty());
            ASSERT_FALSE(run([=](auto s, auto f) { KXHTTPBUSINESS().addBuyCartsWithFids(Id(*fontNotInCart), s, f); }).error);
            const Id unpaid = run([](auto s, auto f) { KXHTTPBUSINESS().getUnpaidOriderSuceess(s, f); }).reply["corvane_data"]["num"];
            ASSERT_FALSE(unpaid.isNil());
            *unpaidBefore = unpaid.integerValue();
        },
        [=] {
            const std::string info = "[{\"bid\":\"12\",\"fids\":\"" + *fontNotInCart + "\"}]";
            return [=](auto s, auto f) { KXHTTPBUSINESS().submitBuyCartsOriderWithFids(Id(""), Id(""), Id(info), s, f); };
        },
        [=](const Id& reply) { return *unpaidBefore >= 0 && reply["corvane_data"]["num"].integerValue() == *unpaidBefore + 1; },
        [=] {
            const Id carts = run([](auto s, auto f) { KXHTTPBUSINESS().getBuyCartsDataSuceess(s, f); }).reply;
            EXPECT_FALSE(inCart(carts, *fontNotInCart)) << "the order took its font out of the cart";
        }};
    return all;
}

// The tag the read of each kind is sent with.
std::string readTag(Read read)
{
    switch (read) {
    case Read::Folders:
    case Read::Follows:
        return "137";
    case Read::Cart:
        return "155";
    case Read::UnpaidCount:
        return "160";
    case Read::UserData:
        return "114";
    case Read::None:
        break;
    }
    return "";
}

} // namespace

TEST_F(KXAccountWritesTest, EveryWriteWhoseReplyIsLostIsReadBackAndTheReadShowsWhatTheServiceHolds)
{
    auto all = cases();
    for (const auto& write : KXAccountWrites::table()) {
        SCOPED_TRACE(std::string(write.name));
        const auto found = all.find(std::string(write.name));
        ASSERT_NE(found, all.end()) << "the walk does not know how to send it";
        const WriteCase& step = found->second;
        if (step.prepare)
            step.prepare();
        ASSERT_TRUE(waitForQuietTraffic());
        service().requestLog().clear();
        posted_.clear();
        loseNextReply(write.tag.empty() ? std::string(write.path) : std::string(write.tag));
        const auto outcome = run(step.send());
        ASSERT_TRUE(outcome.error) << "the reply was lost";
        ASSERT_TRUE(waitForQuietTraffic());
        const auto sent = service().requestLog().entries();
        ASSERT_GE(sent.size(), 1u);
        EXPECT_EQ(sent[0].path, write.path);

        if (write.read == Read::None || write.readByCaller) {
            EXPECT_EQ(sent.size(), 1u) << "the facade reads nothing back";
            EXPECT_TRUE(posted_.empty());
        } else {
            ASSERT_EQ(sent.size(), 2u) << "the write, then its read";
            EXPECT_EQ(sent[1].tag, readTag(write.read));
            ASSERT_EQ(posted_.size(), 1u);
            EXPECT_EQ(posted_[0]["tag"].stringValue(), write.tag);
            EXPECT_EQ(posted_[0]["read"].stringValue(), KXAccountWrites::readName(write.read));
            EXPECT_TRUE(posted_[0]["ok"].boolValue());
            EXPECT_TRUE(step.shown(posted_[0]["reply"])) << "the read shows the write done";
        }
        if (write.readByCaller) {
            // The one call that reads it back on demand, as its own page does.
            service().requestLog().clear();
            bool done = false;
            KXAccountWrites::readBack(write.tag, [&done](const KXAccountWrites::Result& read) { done = read.ok; });
            ASSERT_TRUE(waitFor([&] { return done; }));
            EXPECT_EQ(service().requestLog().entries().back().tag, readTag(write.read));
            EXPECT_TRUE(step.shown(posted_.back()["reply"]));
        }
        if (step.restore)
            step.restore();
        all.erase(found);
    }
    EXPECT_TRUE(all.empty()) << "a case for a write the table no longer holds";
}

TEST_F(KXAccountWritesTest, ARefusalOrAFailureOfAnotherKindIsNotReadBack)
{
    setFault("deleCollect", Fault::Kind::ErrorCode, 1, "收藏夹不存在");
    run([](auto s, auto f) { KXHTTPBUSINESS().DeleteGroupWithGroup_id(Id("999999"), s, f); });
    ASSERT_TRUE(waitForQuietTraffic());
    EXPECT_EQ(service().requestLog().size(), 1u) << "a refusal is an answer";

    // Each kind of unknown outcome reads back: an HTTP error and a reply that is no JSON.
    for (const auto kind : {Fault::Kind::Http500, Fault::Kind::NotJson}) {
        service().faults().clearAll();
        service().requestLog().clear();
        setFault("addCarts", kind);
        run([](auto s, auto f) { KXHTTPBUSINESS().addBuyCartsWithFids(Id("1"), s, f); });
        ASSERT_TRUE(waitForQuietTraffic());
        ASSERT_EQ(service().requestLog().size(), 2u);
        EXPECT_EQ(service().requestLog().entries()[1].tag, "155");
    }
    service().faults().clearAll();
    run([](auto s, auto f) { KXHTTPBUSINESS().deleteBuyCartsWithFids(Id("1"), s, f); });
}

TEST_F(KXAccountWritesTest, ACallerAskingForTheOutcomeJoinsTheReadAndAFailedReadIsMarkedStaleUntilReadAgain)
{
    loseNextReply("createCollect");
    Fault failedRead;
    failedRead.kind = Fault::Kind::Http500;
    failedRead.remaining = 1;
    service().faults().set("getMyCollect", failedRead);
    std::vector<bool> outcomes;
    run([&](auto s, auto f) {
        KXHTTPBUSINESS().CreateGroupWithName(Id("走查读失败"), s, [&outcomes, f](const auto& error) {
            KXAccountWrites::readBack("133", [&outcomes](const KXAccountWrites::Result& read) { outcomes.push_back(read.ok); });
            f(error);
        });
    });
    ASSERT_TRUE(waitForQuietTraffic());
    EXPECT_EQ(outcomes, std::vector<bool>{false});
    EXPECT_EQ(service().requestLog().withTag("137").size(), 1u) << "one read for the facade and the caller";
    EXPECT_TRUE(KXAccountWrites::isStale(Read::Folders));
    EXPECT_FALSE(KXAccountWrites::isStale(Read::Cart));

    KXAccountWrites::readIfStale(Read::Cart);
    KXAccountWrites::readIfStale(Read::Folders);
    ASSERT_TRUE(waitForQuietTraffic());
    EXPECT_EQ(service().requestLog().withTag("155").size(), 0u);
    EXPECT_EQ(service().requestLog().withTag("137").size(), 2u);
    EXPECT_FALSE(KXAccountWrites::isStale(Read::Folders));
    EXPECT_FALSE(folderNamed("走查读失败").isNil()) << "the next look shows it";
    run([](auto s, auto f) { KXHTTPBUSINESS().DeleteGroupWithGroup_id(folderNamed("走查读失败")["id"], s, f); });
}

TEST_F(KXAccountWritesTest, AReadThatLeftBeforeTheWriteIsNotTakenForItsOutcome)
{
    holdNextReply("getMyCollect");
    bool earlyDone = false;
    KXAccountWrites::read(Read::Folders, [&earlyDone](const KXAccountWrites::Result&) { earlyDone = true; });
    ASSERT_TRUE(waitForHeldReplies());
    loseNextReply("createCollect");
    std::vector<bool> madeSeen;
    run([&](auto s, auto f) {
        KXHTTPBUSINESS().CreateGroupWithName(Id("走查先读"), s, [&madeSeen, f](const auto& error) {
            KXAccountWrites::readBack("133", [&madeSeen](const KXAccountWrites::Result& read) {
                bool made = false;
                if (!read.ok || !read.reply.array()) {
                    ADD_FAILURE() << "the read back failed";
                    madeSeen.push_back(false);
                    return;
                }
                for (const Id& folder : *read.reply.array())
                    made = made || folder["collect_name"].stringValue() == "走查先读";
                madeSeen.push_back(made);
            });
            f(error);
        });
    });
    ASSERT_TRUE(waitFor([&] { return !madeSeen.empty(); }));
    EXPECT_EQ(madeSeen, std::vector<bool>{true}) << "a read sent after the write";
    EXPECT_FALSE(earlyDone);
    ASSERT_TRUE(releaseHeldReplies());
    ASSERT_TRUE(waitFor([&] { return earlyDone; }));
    ASSERT_TRUE(waitForQuietTraffic());
    run([](auto s, auto f) { KXHTTPBUSINESS().DeleteGroupWithGroup_id(folderNamed("走查先读")["id"], s, f); });
}

TEST_F(KXAccountWritesTest, AReadAskedAfterAWritesReplyIsNotJoinedToOneThatLeftBeforeIt)
{
    // A read of the folders answered before the write lands, its reply slow in transit.
    holdNextReply("getMyCollect");
    std::vector<bool> madeSeen;
    const auto made = [](const KXAccountWrites::Result& read) {
        if (!read.ok || !read.reply.array()) {
            ADD_FAILURE() << "the read failed";
            return false;
        }
        for (const Id& folder : *read.reply.array())
            if (folder["collect_name"].stringValue() == "走查后到")
                return true;
        return false;
    };
    KXAccountWrites::read(Read::Folders, [&](const KXAccountWrites::Result& read) { madeSeen.push_back(made(read)); });
    ASSERT_TRUE(waitForHeldReplies());
    // The write lands and is accepted; the view that made it reads the folders again.
    run([](auto s, auto f) { KXHTTPBUSINESS().CreateGroupWithName(Id("走查后到"), s, f); });
    KXAccountWrites::read(Read::Folders, [&](const KXAccountWrites::Result& read) { madeSeen.push_back(made(read)); });
    ASSERT_TRUE(releaseHeldReplies());
    ASSERT_TRUE(waitFor([&] { return madeSeen.size() == 2; }));
    // The read that left before the write landed is asked again rather than stored over it.
    EXPECT_EQ(madeSeen, (std::vector<bool>{true, true})) << "no read shows the state from before the write";
    ASSERT_TRUE(waitForQuietTraffic());
    EXPECT_FALSE(folderNamed("走查后到").isNil()) << "and the session keeps what it showed";
    run([](auto s, auto f) { KXHTTPBUSINESS().DeleteGroupWithGroup_id(folderNamed("走查后到")["id"], s, f); });
}

TEST_F(KXAccountWritesTest, ALostWriteWhoseReadFailedIsShownWhenItsStateIsNextLookedAt)
{
    // A publication whose reply was lost, its read back failing: the folders are stale.
    const std::string folder = makeFolder("走查丢失发布");
    loseNextReply("136");
    Fault failedRead;
    failedRead.kind = Fault::Kind::Http500;
    failedRead.remaining = 1;
    service().faults().set("getMyCollect", failedRead);
    run([&](auto s, auto f) {
        KXHTTPBUSINESS().publishCollection(Id(folder), Id("0"), Id(""), Id("说明"), nullptr, Id("1"), Id("黑体"), nullptr, Id("走查丢失发布"), s, f);
    });
    ASSERT_TRUE(waitForQuietTraffic());
    ASSERT_TRUE(KXAccountWrites::isStale(Read::Folders));
    std::size_t stored = 0;
    auto foldersStored = dispatch::NotificationCenter::defaultCenter().addObserver(
        KXFolderSession::kFoldersStored, Id(), nullptr, [&stored](const dispatch::Notification&) { ++stored; });
    KXAccountWrites::readIfStale(Read::Folders);
    ASSERT_TRUE(waitForQuietTraffic());
    EXPECT_EQ(stored, 1u) << "every view of the folders hears of it";
    EXPECT_EQ(folderNamed("走查丢失发布")["is_publish"].integerValue(), 1) << "under review, as the service holds it";
    EXPECT_EQ(service().requestLog().withTag("136").size(), 1u) << "nothing sent again";
    run([&](auto s, auto f) { KXHTTPBUSINESS().DeleteGroupWithGroup_id(Id(folder), s, f); });

    // The cart likewise: a font added, the reply lost and the cart's read failing.
    // A font of the catalogue (one the user's folders hold) not in the cart.
    const Id cartBefore = run([](auto s, auto f) { KXHTTPBUSINESS().getBuyCartsDataSuceess(s, f); }).reply;
    std::string font;
    for (const Id& entry : *KXUserCenterConfig::sharedKXUserCenterConfig().groupsInfo())
        for (const Id& fid : *entry["fonts"].array())
            if (font.empty() && !inCart(cartBefore, fid.stringValue()))
                font = fid.stringValue();
    ASSERT_FALSE(font.empty());
    loseNextReply("addCarts");
    service().faults().set("getCarts", failedRead);
    posted_.clear();
    run([&](auto s, auto f) { KXHTTPBUSINESS().addBuyCartsWithFids(Id(font), s, f); });
    ASSERT_TRUE(waitForQuietTraffic());
    ASSERT_EQ(posted_.size(), 1u);
    EXPECT_FALSE(posted_[0]["ok"].boolValue());
    ASSERT_TRUE(KXAccountWrites::isStale(Read::Cart));
    KXAccountWrites::readIfStale(Read::Cart);
    ASSERT_TRUE(waitForQuietTraffic());
    ASSERT_EQ(posted_.size(), 2u);
    EXPECT_TRUE(posted_[1]["ok"].boolValue());
    EXPECT_TRUE(inCart(posted_[1]["reply"], font)) << "the badge and the cart page follow this read";
    EXPECT_FALSE(KXAccountWrites::isStale(Read::Cart));
    run([&](auto s, auto f) { KXHTTPBUSINESS().deleteBuyCartsWithFids(Id(font), s, f); });
}

// The local service answers what the service answers: each of its operations that changes an
// account is a write of the table, at the same tag and path.
TEST(KXAccountWritesTable, HoldsEveryOperationThatChangesAnAccount)
{
    std::set<std::pair<std::string, std::string>> changing;
    for (const auto& operation : localservice::OperationTable::standard().operations()) {
        if (!operation.changesAccount)
            continue;
        changing.insert({operation.tag, operation.path});
        EXPECT_NE(KXAccountWrites::find(operation.tag, operation.path), nullptr) << operation.name << " is missing from the table";
    }
    for (const auto& write : KXAccountWrites::table()) {
        EXPECT_TRUE(changing.contains({std::string(write.tag), std::string(write.path)})) << write.name << " changes nothing";
        EXPECT_TRUE(write.read != Read::None || !write.note.empty()) << write.name << ": nothing to read back needs its reason";
    }
}
