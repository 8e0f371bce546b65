// The operations of KXHTTPBUSINESS, in the order of their tags.

#include "Class/ServiceCore/Transport/KXGlobalDataBase.h"
#include "Class/ServiceCore/Transport/KXHTTPBUSINESS.h"
#include "Platform/Dispatch/NotificationCenter.h"
#include "Platform/Foundation/Dictionary.h"
#include "Platform/Foundation/Number.h"
#include "Platform/Storage/UserDefaults.h"

using foundation::Id;
using foundation::Ref;

namespace {

Ref<foundation::MutableDictionary> copyOf(const Ref<foundation::Dictionary>& dictionary)
{
    return dictionary ? foundation::MutableDictionary::dictionaryWithDictionary(*dictionary) : foundation::MutableDictionary::create();
}

// Only text and numbers are kept: anything else (null, a container) clears the stored version.
void storeCollectVersion(const Id& value)
{
    auto& defaults = foundation::UserDefaults::standardUserDefaults();
    if (value.is<foundation::String>() || value.is<foundation::Number>())
        defaults.setObject(value, "collect_version");
    else
        defaults.removeObjectForKey("collect_version");
    defaults.synchronize();
}

Ref<foundation::Error> refusedReplyError(const Id& reply)
{
    const std::string message = reply["message"].stringValue();
    auto userInfo = foundation::Dictionary::create({
        {Id(foundation::NSLocalizedDescriptionKey), Id(message)},
        {Id("errcode"), Id(reply["errcode"].integerValue())},
        {Id("message"), Id(message)},
    });
    return foundation::Error::errorWithDomain(KXHTTPBUSINESS::kReplyErrorDomain, reply["errcode"].integerValue(), userInfo);
}

} // namespace

void KXHTTPBUSINESS::GetFontsListByParameters(const Ref<foundation::Dictionary>& given, Success success, Failure failure)
{
    auto p = copyOf(given);
    p->setObject(Id("100"), Id("tag"));
    post("", p, std::move(success), std::move(failure), Scope::Public);
}

void KXHTTPBUSINESS::GetBoughtFontsListSuceess(Success success, Failure failure)
{
    post("", parameters("101"), std::move(success), std::move(failure), Scope::Account);
}

void KXHTTPBUSINESS::GetFontByFontID(const Id& fontIDs, Success success, Failure failure)
{
    post("fontDown", parameters("103", {{"font_ids", fontIDs}}), std::move(success), std::move(failure), Scope::Public);
}

void KXHTTPBUSINESS::upLoadAppUseInfoDownloadids(const Ref<foundation::Array>& downloadIds, const Ref<foundation::Array>& activation,
                                                 Success success, Failure failure)
{
    const Id joinedIds = downloadIds ? Id(downloadIds->componentsJoinedByString(",")) : Id();
    auto p = parameters("103", {{"activation", Id(arrayToJsonString(activation))}, {"download_ids", joinedIds}});
    post("fontDown", p, std::move(success), std::move(failure), Scope::Public);
}

void KXHTTPBUSINESS::CollectFontWithFontid(const Id& fontIDs, const Id& collectID, Success success, Failure failure)
{
    post("addLike", parameters("105", {{"font_ids", fontIDs}, {"collect_id", collectID}}),
         std::move(success), std::move(failure), Scope::Account);
}

void KXHTTPBUSINESS::getRecentUserDataSuceess(Success success, Failure failure)
{
    post("getUseFonts", parameters("112"), std::move(success), std::move(failure), Scope::Account);
}

void KXHTTPBUSINESS::EditFontToGroupWithByParameters(const Ref<foundation::Dictionary>& given, Success success, Failure failure)
{
    post("getUseFonts", copyOf(given), std::move(success), std::move(failure), Scope::Account);
}

void KXHTTPBUSINESS::GetUserDataSuceess(Success success, Failure failure)
{
    post("getUserData", parameters("113"), std::move(success), std::move(failure), Scope::Account);
}

void KXHTTPBUSINESS::LoginWithName(const Id& name, const Id& password, Success success, Failure failure)
{
    post("login", parameters("114", {{"name", name}, {"password", password}}),
         std::move(success), std::move(failure), Scope::AccountIfSignedIn);
}

void KXHTTPBUSINESS::GetPhoneCodeWithPhone(const Id& phone, Success success, Failure failure)
{
    post("getCode", parameters("115", {{"phone", phone}}), std::move(success), std::move(failure), Scope::Public);
}

void KXHTTPBUSINESS::RegisterWithPhone(const Id& phone, const Id& code, const Id& password, Success success, Failure failure)
{
    post("register", parameters("117", {{"phone", phone}, {"code", code}, {"password", password}}),
         std::move(success), std::move(failure), Scope::AccountIfSignedIn);
}

void KXHTTPBUSINESS::agreementProtocolSuceess(Success success, Failure failure)
{
    post("agreement", parameters("118"), std::move(success), std::move(failure), Scope::Agreement);
}

void KXHTTPBUSINESS::renewWaitingSignIn(Success success, Failure failure)
{
    post("login", parameters("114", {{"name", Id("")}, {"password", Id("")}}), std::move(success), std::move(failure), Scope::Agreement);
}

void KXHTTPBUSINESS::ReviseUserInfoWithSex(const Id& sex, const Id& city, const Id& head, const Id& nickname, const Id& province,
                                           const Id& birthday, const Id& introduce, Success success, Failure failure)
{
    auto p = parameters("119", {{"sex", sex}, {"city", city}, {"head", head}, {"birthday", birthday}, {"province", province},
                                {"nick_name", nickname}, {"introduce", introduce}});
    post("modifyInfo", p, std::move(success), std::move(failure), Scope::Account);
}

void KXHTTPBUSINESS::upLoadActivationErrorWithClientName(const Id& clientName, const Id& clientVersion, const Id& platform, const Id& errorInfo,
                                                         Success success, Failure failure)
{
    auto p = parameters("120", {{"platform", platform},
                                {"error_info", errorInfo},
                                {"client_name", clientName},
                                {"module", Id(KXGlobalDataBase::sharedKXGlobalDataBase().currentModule())},
                                {"client_version", clientVersion}});
    post("clientError", p, std::move(success), std::move(failure), Scope::Public);
}

void KXHTTPBUSINESS::getNewAppVersionInfoSuceess(Success success, Failure failure)
{
    post("version", parameters("121"), std::move(success), std::move(failure), Scope::Public);
}

void KXHTTPBUSINESS::appFirstLunchSuceess(Success success, Failure failure)
{
    post("velaInstall", parameters("124"), std::move(success), std::move(failure), Scope::Public);
}

void KXHTTPBUSINESS::appFinishLunchSuceess(Success success, Failure failure)
{
    post("velaView", parameters("125"), std::move(success), std::move(failure), Scope::Public);
}

void KXHTTPBUSINESS::appUsedTime(long long seconds, Success success, Failure failure)
{
    post("velaDuration", parameters("126", {{"duration", Id(seconds)}}), std::move(success), std::move(failure), Scope::Public);
}

void KXHTTPBUSINESS::GetFontImgsByString(const Id& text, const Id& fids, Success success, Failure failure)
{
    post("getFontsImg", parameters("127", {{"str", text}, {"fids", fids}}), std::move(success), std::move(failure), Scope::Public);
}

void KXHTTPBUSINESS::GetTagListSuceess(Success success, Failure failure)
{
    post(
        "getTag", parameters("129"),
        [success](const Id& reply) {
            if (success)
                success(reply["corvane_data"]["tags"]);
        },
        std::move(failure), Scope::Public);
}

void KXHTTPBUSINESS::GetINITDataWithDataVersion(const Id&, Success success, Failure failure)
{
    post("getBaseInfo", parameters("130"), std::move(success), std::move(failure), Scope::Public);
}

void KXHTTPBUSINESS::GetChangedDataWithDataVersion(const Id&, Success success, Failure failure)
{
    post("getBaseData", parameters("131"), std::move(success), std::move(failure), Scope::Public);
}

void KXHTTPBUSINESS::updateMoreDataByDadaVersion(const Id& dataVersion, Success success, Failure failure)
{
    post("", parameters("132", {{"data_version", dataVersion}}), std::move(success), std::move(failure), Scope::Public);
}

void KXHTTPBUSINESS::CreateGroupWithName(const Id& name, Success success, Failure failure)
{
    post("createCollect", parameters("133", {{"name", name}}), std::move(success), std::move(failure), Scope::Account);
}

void KXHTTPBUSINESS::RenameGroupWithName(const Id& name, const Id& groupID, Success success, Failure failure)
{
    auto p = parameters("134", {{"id", Id(groupID.integerValue())}, {"name", name}, {"collect_img", Id("")}});
    post("modifyCollect", p, std::move(success), std::move(failure), Scope::Account);
}

void KXHTTPBUSINESS::DeleteGroupWithGroup_id(const Id& groupID, Success success, Failure failure)
{
    post("deleCollect", parameters("135", {{"id", Id(groupID.integerValue())}}), std::move(success), std::move(failure), Scope::Account);
}

void KXHTTPBUSINESS::publishCollection(const Id& collectionID, const Id& isEncrypt, const Id& encryptStr, const Id& collectDesc,
                                       const Id& base64image, const Id& tagID, const Id& tagName, const Id& imgSuffix,
                                       const Id& collectionName, Success success, Failure failure)
{
    auto p = parameters("136", {{"id", collectionID}, {"is_encrypt", isEncrypt}, {"encrypt_str", encryptStr},
                                {"collect_desc", collectDesc}, {"img", base64image}, {"tag_id", tagID}, {"tag_name", tagName},
                                {"suffix", imgSuffix}, {"collect_name", collectionName}});
    post("", p, std::move(success), std::move(failure), Scope::Account);
}

void KXHTTPBUSINESS::GetFocusGroupsListSuceess(Success success, Failure failure)
{
    post(
        "getMyCollect", parameters("137", {{"type", Id("1")}}),
        [success](const Id& reply) {
            storeCollectVersion(reply["collect_version"]);
            if (success)
                success(reply);
        },
        std::move(failure), Scope::Account);
}

void KXHTTPBUSINESS::GetCollectGroupsListSuceess(Success success, Failure failure)
{
    post(
        "getMyCollect", parameters("137"),
        [success, failure](const Id& reply) {
            if (reply["errcode"].integerValue() != 0) {
                // The page would otherwise wait for an answer that never comes.
                if (failure)
                    failure(refusedReplyError(reply));
                return;
            }
            storeCollectVersion(reply["corvane_data"]["collect_version"]);
            if (success)
                success(reply);
        },
        failure, Scope::Account);
}

void KXHTTPBUSINESS::isAttentionGroup(const Id& collectID, const Id& isAttention, Success success, Failure failure)
{
    post("followCollect", parameters("138", {{"collect_id", collectID}, {"type", isAttention}}),
         std::move(success), std::move(failure), Scope::Account);
}

void KXHTTPBUSINESS::GetFontidsByParticipleword(const Id& text, Success success, Failure failure)
{
    post("getSearch", parameters("141", {{"str", text}}), std::move(success), std::move(failure), Scope::Public);
}

void KXHTTPBUSINESS::GetFontidsByPageNum(const Id& page, Success success, Failure failure)
{
    post("", parameters("142", {{"encrypt", Id("encrypt")}, {"page", page}}), std::move(success), std::move(failure), Scope::Public);
}

void KXHTTPBUSINESS::getRecommendDataGroupSuceess(Success success, Failure failure)
{
    post("getCollectList", parameters("143"), std::move(success), std::move(failure), Scope::Public);
}

void KXHTTPBUSINESS::getRecommendDataByID(const Id& collectionID, const Id& source, Success success, Failure failure)
{
    post("getCollectInfo", parameters("144", {{"id", collectionID}, {"source", source}}),
         std::move(success), std::move(failure), Scope::AccountIfSignedIn);
}

void KXHTTPBUSINESS::isUpdateGroupDataByCollectversion(const Id& collectVersion, Success success, Failure failure)
{
    post("checkCollectUpdate", parameters("145", {{"collect_version", collectVersion}}),
         std::move(success), std::move(failure), Scope::Account);
}

void KXHTTPBUSINESS::getWeChatCodeSuceess(Success success, Failure failure)
{
    post("getWxQrCode", parameters("146"), std::move(success), std::move(failure), Scope::Public);
}

void KXHTTPBUSINESS::loginWithWeChatTicket(const Id& ticket, Success success, Failure failure)
{
    post("checkWxLogin", parameters("147", {{"ticket", ticket}}), std::move(success), std::move(failure), Scope::AccountIfSignedIn);
}

void KXHTTPBUSINESS::postChangeFontTimeTotalTime(const Id& total, const Id& extendInfo, long long type, Success success, Failure failure)
{
    auto p = parameters("150", {{"total", total}, {"extend_info", extendInfo}, {"type", Id(type)}});
    post("fontDuration", p, std::move(success), std::move(failure), Scope::Public);
}

void KXHTTPBUSINESS::addBuyCartsWithFids(const Id& fids, Success success, Failure failure)
{
    post("addCarts", parameters("153", {{"fids", fids}}), std::move(success), std::move(failure), Scope::Account);
}

void KXHTTPBUSINESS::deleteBuyCartsWithFids(const Id& fids, Success success, Failure failure)
{
    post("delCarts", parameters("154", {{"fids", fids}}), std::move(success), std::move(failure), Scope::Account);
}

void KXHTTPBUSINESS::getBuyCartsDataSuceess(Success success, Failure failure)
{
    post("getCarts", parameters("155"), std::move(success), std::move(failure), Scope::Account);
}

void KXHTTPBUSINESS::getFirstAuthDataSuceess(Success success, Failure failure)
{
    post("getAuth", parameters("156"), std::move(success), std::move(failure), Scope::Public);
}

void KXHTTPBUSINESS::getSeconAuthDataWithAuthid(const Id& authID, Success success, Failure failure)
{
    post("getBrand", parameters("157", {{"auth_id", authID}}), std::move(success), std::move(failure), Scope::Public);
}

void KXHTTPBUSINESS::getBuyCartsPriceWithFids(const Id& fids, const Id& brandID, const Id& info, Success success, Failure failure)
{
    post("getPrice", parameters("158", {{"brand_id", brandID}, {"fids", fids}, {"info", info}}),
         std::move(success), std::move(failure), Scope::Account);
}

void KXHTTPBUSINESS::submitBuyCartsOriderWithFids(const Id& fids, const Id& brandID, const Id& info, Success success, Failure failure)
{
    post("subOrder", parameters("159", {{"brand_id", brandID}, {"fids", fids}, {"info", info}}),
         std::move(success), std::move(failure), Scope::Account);
}

void KXHTTPBUSINESS::getUnpaidOriderSuceess(Success success, Failure failure)
{
    auto posting = [success = std::move(success)](const Id& reply) {
        if (!reply["errcode"].isNil() && reply["errcode"].integerValue() == 0 && !reply["corvane_data"]["num"].isNil())
            dispatch::NotificationCenter::defaultCenter().post(
                kUnpaidCountNotification, Id(),
                foundation::Dictionary::create({{Id("num"), reply["corvane_data"]["num"]}}));
        if (success)
            success(reply);
    };
    post("getUnpaid", parameters("160"), std::move(posting), std::move(failure), Scope::Account);
}

void KXHTTPBUSINESS::getMyOriderSuceess(Success success, Failure failure)
{
    post("clickOrder", parameters("161"), std::move(success), std::move(failure), Scope::Account);
}

void KXHTTPBUSINESS::getFontDetailInfoByFontid(long long fontid, Success success, Failure failure)
{
    post("getInfo", parameters("163", {{"fontid", Id(fontid)}}), std::move(success), std::move(failure), Scope::Public);
}

void KXHTTPBUSINESS::getAllBrandSuceess(Success success, Failure failure)
{
    post("getAllBrand", parameters("164"), std::move(success), std::move(failure), Scope::Public);
}
