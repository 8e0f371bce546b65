#include "Class/Favourites/Core/KXFolderSession.h"

#include "Class/Favourites/Core/KXReplyGate.h"
#include "Class/ServiceCore/Catalogue/KXUserCenterConfig.h"
#include "Class/ServiceCore/Transport/KXAccountWrites.h"
#include "Class/ServiceCore/Transport/KXHTTPBUSINESS.h"
#include "Platform/Dispatch/NotificationCenter.h"

using foundation::Id;
using foundation::MutableArray;
using foundation::Ref;

namespace {

Ref<MutableArray> mutableCopy(const Id& list)
{
    const auto array = list.array();
    return array ? MutableArray::create(array->objects()) : MutableArray::create();
}

void storeFolders(const Ref<foundation::Array>& folders)
{
    KXUserCenterConfig::sharedKXUserCenterConfig().setGroupsInfo(folders);
    dispatch::NotificationCenter::defaultCenter().post(KXFolderSession::kFoldersStored);
}

} // namespace

void KXFolderSession::installReaders()
{
    KXAccountWrites::setReader(KXAccountWrites::Read::Folders, [](KXAccountWrites::Done done) {
        KXFolderSession::reloadFolders([done](const Ref<MutableArray>& list) { done({true, Id(list)}); },
                                       [done] { done({}); });
    });
    KXAccountWrites::setReader(KXAccountWrites::Read::Follows, [](KXAccountWrites::Done done) {
        KXFolderSession::reloadFollows([done](const Ref<MutableArray>& list) { done({true, Id(list)}); },
                                       [done] { done({}); });
    });
    // A list asked before a write landed may show the state before it: it is asked again rather
    // than stored over what the write's page shows.
    KXAccountWrites::setLanding(KXAccountWrites::Read::Folders, [] { KXReplyGate::folders().supersede(); });
    KXAccountWrites::setLanding(KXAccountWrites::Read::Follows, [] { KXReplyGate::follows().supersede(); });
}

Ref<MutableArray> KXFolderSession::folders()
{
    const auto stored = KXUserCenterConfig::sharedKXUserCenterConfig().groupsInfo();
    return stored ? MutableArray::create(stored->objects()) : MutableArray::create();
}

void KXFolderSession::storeChangedFolders(const Ref<foundation::Array>& folders)
{
    KXReplyGate::folders().supersede();
    storeFolders(folders);
}

void KXFolderSession::reloadFolders(Shown shown, Failed failed)
{
    const auto ticket = KXReplyGate::folders().issue();
    KXHTTPBUSINESS().GetCollectGroupsListSuceess(
        [ticket, shown, failed](const Id& reply) {
            switch (KXReplyGate::folders().admit(ticket)) {
            case KXReplyGate::Verdict::OtherSession:
                if (failed)
                    failed();
                return;
            case KXReplyGate::Verdict::Superseded:
                // The folders changed after this list was asked for: ask again.
                reloadFolders(shown, failed);
                return;
            case KXReplyGate::Verdict::Admitted:
                storeFolders(mutableCopy(reply["corvane_data"]["collection"]));
                break;
            case KXReplyGate::Verdict::Newer:
                break;
            }
            if (shown)
                shown(folders());
        },
        [failed](const Ref<foundation::Error>&) {
            if (failed)
                failed();
        });
}

void KXFolderSession::reloadFollows(Shown shown, Failed failed)
{
    const auto ticket = KXReplyGate::follows().issue();
    KXHTTPBUSINESS().GetFocusGroupsListSuceess(
        [ticket, shown, failed](const Id& reply) {
            if (reply["errcode"].integerValue() != 0) {
                if (failed)
                    failed();
                return;
            }
            auto& session = KXUserCenterConfig::sharedKXUserCenterConfig();
            switch (KXReplyGate::follows().admit(ticket)) {
            case KXReplyGate::Verdict::OtherSession:
                if (failed)
                    failed();
                return;
            case KXReplyGate::Verdict::Superseded:
                reloadFollows(shown, failed);
                return;
            case KXReplyGate::Verdict::Admitted:
                session.setFollowsArray(mutableCopy(reply["corvane_data"]["follow"]));
                dispatch::NotificationCenter::defaultCenter().post(kFollowsStored);
                break;
            case KXReplyGate::Verdict::Newer:
                break;
            }
            if (shown) {
                const auto follows = session.followsArray();
                shown(follows ? MutableArray::create(follows->objects()) : MutableArray::create());
            }
        },
        [failed](const Ref<foundation::Error>&) {
            if (failed)
                failed();
        });
}
