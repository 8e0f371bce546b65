#include "Class/AppShell/KXStartupRules.h"

#include "Class/AppShell/KXDefaults.h"

#include "Class/ServiceCore/Transport/KXGlobalDataBase.h"
#include "Class/ServiceCore/UnitTools/KXFileManager.h"
#include "Class/ServiceCore/UnitTools/KXReplyShape.h"
#include "Platform/Foundation/Array.h"
#include "Platform/Foundation/Dictionary.h"
#include "Platform/Foundation/Format.h"
#include "Platform/Foundation/Number.h"
#include "Platform/Foundation/String.h"
#include "Platform/Storage/UserDefaults.h"

#include <cstdio>

using foundation::Id;
using foundation::Ref;
using foundation::String;

const KXStartupRules::PageField KXStartupRules::kPageFields[12] = {
    {"weixin_login_url", "wechatloginUrl"},
    {"qq_login_url", "qqloginUrl"},
    {"register_agree_url", "register_agree_url"},
    {"shop_url", "shop_url"},
    {"forget_pwd", "forget_pwd"},
    {"help_url", "help_url"},
    {"coll_list", "coll_list"},
    {"coll_share", "coll_share"},
    {"qq_group", "qq_group"},
    {"brand_license", "brand_license"},
    {"heartbeat_url", "heartbeat_url"},
    {"questionnaire", "questionnaire"},
};

namespace {

// Server text as a stored value: strings as they are, numbers as their text; anything else (null,
// containers) is no page address.
Id storableText(const Id& value)
{
    if (value.string())
        return value;
    if (value.number())
        return Id(value.stringValue());
    return Id();
}

// What of the start-up data this client reads: the page addresses and the popularity list's ids.
const KXReplyShape& startupDataShape()
{
    static const KXReplyShape shape = [] {
        std::vector<std::pair<std::string, KXReplyShape>> keys;
        for (const auto& field : KXStartupRules::kPageFields)
            keys.emplace_back(field.replyField, KXReplyShape::field());
        keys.emplace_back("heat", KXReplyShape::dictionary({{"fid", KXReplyShape::field()}}));
        return KXReplyShape::dictionary(std::move(keys));
    }();
    return shape;
}

} // namespace

bool KXStartupRules::applyStartupData(const Id& reply, foundation::UserDefaults& defaults, KXGlobalDataBase& state)
{
    const Id payload = reply["corvane_data"];
    if (reply["errcode"].isNil() || reply["errcode"].integerValue() != 0 || !payload.dictionary())
        return false;
    for (const auto& field : kPageFields)
        kx_storeDefault(defaults, field.defaultsKey, storableText(payload[field.replyField]));
    defaults.synchronize();

    auto heat = foundation::MutableArray::create();
    if (auto entries = payload["heat"].array()) {
        for (const Id& entry : entries->objects()) {
            const Id fid = entry["fid"];
            if (!fid.isNil() && !fid.isNull())
                heat->addObject(fid);
        }
    }
    state.setHeatTopArray(heat);
    KXFileManager::sharedKXFileManager().writeEncryptDataInBackground(startupDataShape().keep(payload), String::create(KXGlobalDataBase::kStartupDataArchive));
    return true;
}

void KXStartupRules::applyDataState(const Id& reply, foundation::UserDefaults& defaults, KXGlobalDataBase& state)
{
    const Id data = reply["corvane_data"];
    auto pending = [&] {
        auto dictionary = foundation::MutableDictionary::create();
        dictionary->setValue(data["data_version"], "data_version");
        dictionary->setValue(data["data_url"], "dataUrl");
        return Ref<foundation::Dictionary>(dictionary);
    };
    const Id expire = data["data_expire"];
    if (expire.integerValue() == 1) {
        state.setPartialUpdate(true);
        state.setUpdateDataDic(pending());
    } else if (expire.integerValue() == 2) {
        state.setUpdateDataDic(pending());
    } else {
        std::fprintf(stderr, "%s\n", foundation::format("---data_expire:%@", expire).c_str());
    }
    if (Id(defaults.stringForKey("dataVersion")).integerValue() < data["data_version"].integerValue())
        state.setUpdateDataDic(pending());
}

bool KXStartupRules::applyBaseline(foundation::UserDefaults& defaults)
{
    const Ref<String> stored = defaults.stringForKey("dataVersion");
    const bool storedSortsAbove =
        stored && String::create(kBaselineDataVersion)->compare(*stored, foundation::NumericSearch) == foundation::ComparisonResult::Ascending;
    if (storedSortsAbove && stored->integerValue() > 0)
        return false;
    kx_storeDefault(defaults, "dataVersion", Id(kBaselineDataVersion));
    defaults.synchronize();
    return true;
}

void KXStartupRules::catalogueRestored(foundation::UserDefaults& defaults)
{
    kx_storeDefault(defaults, "dataVersion", Id(kBaselineDataVersion));
    defaults.synchronize();
}
