#pragma once

#include "Platform/Foundation/Array.h"
#include "Platform/Foundation/Dictionary.h"
#include "Platform/Foundation/Object.h"

#include <mutex>
#include <string>
#include <unordered_set>

// The signed-in user's session for the whole process: whether someone is signed in, the user
// record of the last sign-in, the user's favourite folders and followed collections, and the VIP
// rule of the user's VIP level. Who is signed in is KXAccountState's answer; this object removes
// the token (and a waiting sign-in's mark) at sign-out.
//
// A sign-in stores the record's "vip_type", "shop_url" and "heartbeat_url" as the user defaults
// "vip_type", "my_shop_url" and "my_heartbeat_url", and keeps the record on disk (the keyed
// archive "userInfo") only while automatic sign-in is chosen.
//
// The favourite folders are handed out as an immutable array: every change of the folder list goes
// through setGroupsInfo(), which also rebuilds the index that isCollected() answers from, so the
// rows of a long list can ask it each time they are painted.
//
// Thread-safety: the pages use it on the main thread; every accessor also takes the instance's
// mutex, so reading it from another thread is safe. The collections it hands out (the folder list
// apart) are the shared objects themselves.
class KXUserCenterConfig {
public:
    static KXUserCenterConfig& sharedKXUserCenterConfig();

    // KXAccountState::signedIn(): a token is stored (an empty text counts) and its user has agreed.
    bool islogin() const;
    // The stored flag, which islogin() does not consult; written only by removeUserInfo().
    void setIslogin(bool value);
    bool isAutologin() const;
    void setIsAutologin(bool value);
    bool isRemPwd() const;
    void setIsRemPwd(bool value);
    // The folder dictionaries ("id", "collect_name", "fonts" = the font ids, ...), or nil.
    foundation::Ref<foundation::Array> groupsInfo() const;
    // Stores an immutable copy of the list and rebuilds the favourite index.
    void setGroupsInfo(const foundation::Ref<foundation::Array>& value);
    // Whether any folder with a non-empty "fonts" list holds the font, its entries compared by
    // their integer value (texts and numbers alike).
    bool isCollected(long long fontid) const;
    foundation::Ref<foundation::MutableArray> followsArray() const;
    void setFollowsArray(foundation::Ref<foundation::MutableArray> value);
    // The user record; read back from the "userInfo" archive while it is empty.
    foundation::Ref<foundation::MutableDictionary> userinfo();
    void setUserinfo(foundation::Ref<foundation::MutableDictionary> value);
    // {"rule", "content"} of the user's VIP type; kept after sign-out (readers test "vip_type").
    foundation::Ref<foundation::MutableDictionary> vipinfo() const;
    void setVipinfo(foundation::Ref<foundation::MutableDictionary> value);
    // The id list of the VIP rule, "" without one.
    std::string vipRuleIds() const;

    // Records a sign-in; anything but a dictionary is ignored. Stores a mutable copy of the record,
    // writes its derived user defaults, archives it when automatic sign-in is on, re-applies the
    // palette and, for a non-empty "vip_type", loads the VIP rule from the catalogue. Then posts
    // kUserInfoStored, so that every view of the user (the side menu, the personal centre) shows
    // the record read last, whoever read it.
    void setUpUserconfigWithInfo(const foundation::Id& info);
    // Posted on the default centre, with no sender: {"user": the record stored}.
    static constexpr const char* kUserInfoStored = "KXUserInfoStored";
    // Signs out locally: clears the record, folders and follows, removes the user defaults
    // "Name", "token" (with a waiting sign-in's mark), "my_shop_url", "my_heartbeat_url",
    // "my_orderClick", "vip_type", "userID" and "collect_version", and puts the start-up data's
    // store address back into "shop_url", over the user's own that a sign-in wrote there (as the
    // start-up data's archive keeps it; the key goes when none is kept) (replies
    // asked before belong to a former account from then on, KXRequestAccount),
    // re-applies the palette and deletes the "userInfo" archive. Settings that cannot be rewritten
    // have their file removed so that the token is on no disk (UserDefaults::saveOrRemoveFile).
    // Returns what the user must then be told (the file was removed, or the token may still be on
    // disk), empty when the sign-out reached the disk as it is.
    std::string removeUserInfo();
    void initUserConfig() { }

    KXUserCenterConfig(const KXUserCenterConfig&) = delete;
    KXUserCenterConfig& operator=(const KXUserCenterConfig&) = delete;

private:
    KXUserCenterConfig() = default;

    mutable std::mutex mutex_;
    bool islogin_ = false;
    bool isAutologin_ = false;
    bool isRemPwd_ = false;
    foundation::Ref<foundation::Array> groupsInfo_;
    std::unordered_set<long long> collectedFontIds_;
    foundation::Ref<foundation::MutableArray> followsArray_;
    foundation::Ref<foundation::MutableDictionary> userinfo_;
    foundation::Ref<foundation::MutableDictionary> vipinfo_;
};
