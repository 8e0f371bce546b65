#include "Class/ServiceCore/Catalogue/KXUserCenterConfig.h"

#include "Class/ServiceCore/Catalogue/KXBaseDBManager.h"
#include "Class/ServiceCore/Transport/KXAccountState.h"
#include "Class/ServiceCore/Transport/KXGlobalDataBase.h"
#include "Class/ServiceCore/Transport/KXRequestAccount.h"
#include "Class/ServiceCore/UnitTools/KXFileManager.h"
#include "Class/Theme/KXThemeManager.h"
#include "Platform/Dispatch/NotificationCenter.h"
#include "Platform/Foundation/Number.h"
#include "Platform/Foundation/String.h"
#include "Platform/Storage/Paths.h"
#include "Platform/Storage/UserDefaults.h"

using foundation::Id;
using foundation::MutableArray;
using foundation::MutableDictionary;
using foundation::Ref;

namespace {

const Ref<foundation::String>& userInfoKey()
{
    static const Ref<foundation::String> key = foundation::String::create("userInfo");
    return key;
}

// The settings are texts (a number is kept as it came); a missing field, a null or a value of
// another kind removes the stored key instead of storing something the store cannot hold.
void storeField(foundation::UserDefaults& defaults, const Id& value, std::string_view key)
{
    if (value.is<foundation::String>() || value.is<foundation::Number>())
        defaults.setObject(value, key);
    else
        defaults.removeObjectForKey(key);
    defaults.synchronize();
}

// Views that depend on the session (the cart icon follows "vip_type") read the palette again.
void reapplyPalette()
{
    auto& theme = KXThemeManager::themeManager();
    theme.setIsNight(theme.isNight());
}

// "shop_url" is the store's page for nobody in particular, from the start-up data, until a sign-in
// writes the user's own over it. Without an account it is the start-up data's again, as its archive
// keeps it (also when this start could not read the start-up data); with no archive, no address
// rather than a former user's.
void restoreStartupShopAddress(foundation::UserDefaults& defaults)
{
    const Id kept = KXFileManager::sharedKXFileManager().returnDecryptDataByPathKey(
        foundation::String::create(KXGlobalDataBase::kStartupDataArchive))["shop_url"];
    if (kept.is<foundation::String>())
        defaults.setObject(kept, "shop_url");
    else if (kept.is<foundation::Number>())
        defaults.setObject(Id(kept.stringValue()), "shop_url");
    else
        defaults.removeObjectForKey("shop_url");
}

// A sign-out shown as done must not leave the token to sign the next start in: where the settings
// cannot be rewritten (a full disk), their file goes instead. What the user must be told of it.
std::string takeTokenOffTheDisk(foundation::UserDefaults& defaults)
{
    using Outcome = foundation::UserDefaults::DiskOutcome;
    const Outcome outcome = defaults.saveOrRemoveFile();
    if (outcome == Outcome::Saved)
        return {};
    const std::string file = foundation::Paths::displayPath(defaults.file());
    return outcome == Outcome::FileRemoved ? "设置无法保存，已删除设置文件以清除登录信息：" + file
                                           : "设置无法保存，登录信息可能仍留在设置文件中：" + file;
}

} // namespace

KXUserCenterConfig& KXUserCenterConfig::sharedKXUserCenterConfig()
{
    static KXUserCenterConfig shared;
    return shared;
}

bool KXUserCenterConfig::islogin() const
{
    return KXAccountState::signedIn();
}

void KXUserCenterConfig::setIslogin(bool value)
{
    std::lock_guard lock(mutex_);
    islogin_ = value;
}

bool KXUserCenterConfig::isAutologin() const
{
    std::lock_guard lock(mutex_);
    return isAutologin_;
}

void KXUserCenterConfig::setIsAutologin(bool value)
{
    std::lock_guard lock(mutex_);
    isAutologin_ = value;
}

bool KXUserCenterConfig::isRemPwd() const
{
    std::lock_guard lock(mutex_);
    return isRemPwd_;
}

void KXUserCenterConfig::setIsRemPwd(bool value)
{
    std::lock_guard lock(mutex_);
    isRemPwd_ = value;
}

Ref<foundation::Array> KXUserCenterConfig::groupsInfo() const
{
    std::lock_guard lock(mutex_);
    return groupsInfo_;
}

void KXUserCenterConfig::setGroupsInfo(const Ref<foundation::Array>& value)
{
    Ref<foundation::Array> folders = value ? std::static_pointer_cast<foundation::Array>(value->copy()) : nullptr;
    std::unordered_set<long long> collected;
    if (folders) {
        for (const Id& folder : *folders) {
            const Ref<foundation::Array> fonts = folder["fonts"].array();
            if (!fonts)
                continue;
            for (const Id& font : *fonts)
                collected.insert(font.integerValue());
        }
    }
    std::lock_guard lock(mutex_);
    groupsInfo_ = std::move(folders);
    collectedFontIds_ = std::move(collected);
}

bool KXUserCenterConfig::isCollected(long long fontid) const
{
    std::lock_guard lock(mutex_);
    return collectedFontIds_.contains(fontid);
}

Ref<MutableArray> KXUserCenterConfig::followsArray() const
{
    std::lock_guard lock(mutex_);
    return followsArray_;
}

void KXUserCenterConfig::setFollowsArray(Ref<MutableArray> value)
{
    std::lock_guard lock(mutex_);
    followsArray_ = std::move(value);
}

Ref<MutableDictionary> KXUserCenterConfig::userinfo()
{
    {
        std::lock_guard lock(mutex_);
        if (userinfo_ && userinfo_->count() > 0)
            return userinfo_;
    }
    const Id archived = KXFileManager::sharedKXFileManager().returnDecryptDataByPathKey(userInfoKey());
    std::lock_guard lock(mutex_);
    if (archived.is<foundation::Dictionary>() && !(userinfo_ && userinfo_->count() > 0))
        userinfo_ = archived.mutableCopy().as<MutableDictionary>();
    return userinfo_;
}

void KXUserCenterConfig::setUserinfo(Ref<MutableDictionary> value)
{
    std::lock_guard lock(mutex_);
    userinfo_ = std::move(value);
}

Ref<MutableDictionary> KXUserCenterConfig::vipinfo() const
{
    std::lock_guard lock(mutex_);
    return vipinfo_;
}

void KXUserCenterConfig::setVipinfo(Ref<MutableDictionary> value)
{
    std::lock_guard lock(mutex_);
    vipinfo_ = std::move(value);
}

std::string KXUserCenterConfig::vipRuleIds() const
{
    return Id(vipinfo())["rule"].stringValue();
}

void KXUserCenterConfig::setUpUserconfigWithInfo(const Id& info)
{
    if (!info.is<foundation::Dictionary>())
        return;
    const auto record = info.mutableCopy().as<MutableDictionary>();
    setUserinfo(record);

    auto& defaults = foundation::UserDefaults::standardUserDefaults();
    storeField(defaults, record->objectForKey("vip_type"), "vip_type");
    storeField(defaults, record->objectForKey("shop_url"), "my_shop_url");
    storeField(defaults, record->objectForKey("heartbeat_url"), "my_heartbeat_url");

    if (isAutologin())
        KXFileManager::sharedKXFileManager().writeEncryptDataWithDictionary(record, userInfoKey());

    reapplyPalette();

    const Id vipType = record->objectForKey("vip_type");
    const bool isVip = vipType.is<foundation::Number>() || (vipType.is<foundation::String>() && !vipType.stringValue().empty());
    if (isVip)
        setVipinfo(KXBaseDBManager::shareDBManager().vipInfoByViptype(defaults.objectForKey("vip_type")));

    auto stored = MutableDictionary::create();
    stored->setObject(Id(record), Id("user"));
    dispatch::NotificationCenter::defaultCenter().post(kUserInfoStored, Id(), stored);
}

std::string KXUserCenterConfig::removeUserInfo()
{
    {
        std::lock_guard lock(mutex_);
        islogin_ = false;
        userinfo_ = nullptr;
        groupsInfo_ = nullptr;
        collectedFontIds_.clear();
        followsArray_ = nullptr;
    }
    auto& defaults = foundation::UserDefaults::standardUserDefaults();
    for (const char* key : {"Name", KXAccountState::kTokenKey, KXAccountState::kPendingKey, "my_shop_url", "my_heartbeat_url", "my_orderClick",
                            "vip_type", "userID", "collect_version"})
        defaults.removeObjectForKey(key);
    restoreStartupShopAddress(defaults);
    KXRequestAccount::changed();
    std::string warning = takeTokenOffTheDisk(defaults);
    reapplyPalette();
    KXFileManager::sharedKXFileManager().removeFileByPathkey(userInfoKey());
    return warning;
}
