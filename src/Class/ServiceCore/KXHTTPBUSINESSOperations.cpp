// The operations of KXHTTPBUSINESS, in the order of their tags.

#include "Class/ServiceCore/KXGlobalDataBase.h"
#include "Class/ServiceCore/KXHTTPBUSINESS.h"
#include "Platform/Foundation/Number.h"
#include "Platform/Storage/UserDefaults.h"

using foundation::Id;
using foundation::Ref;

namespace {

// A nil argument leaves its parameter out.
void put(foundation::MutableDictionary& parameters, const char* key, const Id& value)
{
    if (!value.isNil())
        parameters.setObject(value, Id(key));
}

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
    post("", p, std::move(success), std::move(failure));
}

void KXHTTPBUSINESS::GetBoughtFontsListSuceess(Success success, Failure failure)
{
    post("", parameters("101"), std::move(success), std::move(failure));
}

void KXHTTPBUSINESS::GetFontByFontID(const Id& fontIDs, Success success, Failure failure)
{
    auto p = parameters("103");
    put(*p, "font_ids", fontIDs);
    post("fontDown", p, std::move(success), std::move(failure));
}

void KXHTTPBUSINESS::upLoadAppUseInfoDownloadids(const Ref<foundation::Array>& downloadIds, const Ref<foundation::Array>& activation,
                                                 Success success, Failure failure)
{
    auto p = parameters("103");
    put(*p, "activation", Id(arrayToJsonString(activation)));
    if (downloadIds)
        put(*p, "download_ids", Id(downloadIds->componentsJoinedByString(",")));
    post("fontDown", p, std::move(success), std::move(failure));
}

void KXHTTPBUSINESS::CollectFontWithFontid(const Id& fontIDs, const Id& collectID, Success success, Failure failure)
{
    auto p = parameters("105");
    put(*p, "font_ids", fontIDs);
    put(*p, "collect_id", collectID);
    post("addLike", p, std::move(success), std::move(failure));
}

void KXHTTPBUSINESS::getRecentUserDataSuceess(Success success, Failure failure)
{
    post("getUseFonts", parameters("112"), std::move(success), std::move(failure));
}

void KXHTTPBUSINESS::EditFontToGroupWithByParameters(const Ref<foundation::Dictionary>& given, Success success, Failure failure)
{
    post("getUseFonts", copyOf(given), std::move(success), std::move(failure));
}

void KXHTTPBUSINESS::GetUserDataSuceess(Success success, Failure failure)
{
    post("getUserData", parameters("113"), std::move(success), std::move(failure));
}

void KXHTTPBUSINESS::LoginWithName(const Id& name, const Id& password, Success success, Failure failure)
{
    auto p = parameters("114");
    put(*p, "name", name);
    put(*p, "password", password);
    post("login", p, std::move(success), std::move(failure));
}

void KXHTTPBUSINESS::GetPhoneCodeWithPhone(const Id& phone, Success success, Failure failure)
{
    auto p = parameters("115");
    put(*p, "phone", phone);
    post("getCode", p, std::move(success), std::move(failure));
}

void KXHTTPBUSINESS::RegisterWithPhone(const Id& phone, const Id& code, const Id& password, Success success, Failure failure)
{
    auto p = parameters("117");
    put(*p, "phone", phone);
    put(*p, "code", code);
    put(*p, "password", password);
    post("register", p, std::move(success), std::move(failure));
}

void KXHTTPBUSINESS::agreementProtocolSuceess(Success success, Failure failure)
{
    post("agreement", parameters("118"), std::move(success), std::move(failure));
}

void KXHTTPBUSINESS::ReviseUserInfoWithSex(const Id& sex, const Id& city, const Id& head, const Id& nickname, const Id& province,
                                           const Id& birthday, const Id& introduce, Success success, Failure failure)
{
    auto p = parameters("119");
    put(*p, "sex", sex);
    put(*p, "city", city);
    put(*p, "head", head);
    put(*p, "birthday", birthday);
    put(*p, "province", province);
    put(*p, "nick_name", nickname);
    put(*p, "introduce", introduce);
    post("modifyInfo", p, std::move(success), std::move(failure));
}

void KXHTTPBUSINESS::upLoadActivationErrorWithClientName(const Id& clientName, const Id& clientVersion, const Id& platform, const Id& errorInfo,
                                                         Success success, Failure failure)
{
    auto p = parameters("120");
    put(*p, "platform", platform);
    put(*p, "error_info", errorInfo);
    put(*p, "client_name", clientName);
    put(*p, "module", Id(KXGlobalDataBase::sharedKXGlobalDataBase().currentModule()));
    put(*p, "client_version", clientVersion);
    post("clientError", p, std::move(success), std::move(failure));
}

void KXHTTPBUSINESS::getNewAppVersionInfoSuceess(Success success, Failure failure)
{
    post("version", parameters("121"), std::move(success), std::move(failure));
}

void KXHTTPBUSINESS::appFirstLunchSuceess(Success success, Failure failure)
{
    post("velaInstall", parameters("124"), std::move(success), std::move(failure));
}

void KXHTTPBUSINESS::appFinishLunchSuceess(Success success, Failure failure)
{
    post("velaView", parameters("125"), std::move(success), std::move(failure));
}

void KXHTTPBUSINESS::appUsedTime(long long seconds, Success success, Failure failure)
{
    auto p = parameters("126");
    put(*p, "duration", Id(seconds));
    post("velaDuration", p, std::move(success), std::move(failure));
}

void KXHTTPBUSINESS::GetFontImgsByString(const Id& text, const Id& fids, Success success, Failure failure)
{
    auto p = parameters("127");
    put(*p, "str", text);
    put(*p, "fids", fids);
    post("getFontsImg", p, std::move(success), std::move(failure));
}

void KXHTTPBUSINESS::GetTagListSuceess(Success success, Failure failure)
{
    post(
        "getTag", parameters("129"),
        [success](const Id& reply) {
            if (success)
                success(reply["corvane_data"]["tags"]);
        },
        std::move(failure));
}

void KXHTTPBUSINESS::GetINITDataWithDataVersion(const Id&, Success success, Failure failure)
{
    post("getBaseInfo", parameters("130"), std::move(success), std::move(failure));
}

void KXHTTPBUSINESS::GetChangedDataWithDataVersion(const Id&, Success success, Failure failure)
{
    post("getBaseData", parameters("131"), std::move(success), std::move(failure));
}

void KXHTTPBUSINESS::updateMoreDataByDadaVersion(const Id& dataVersion, Success success, Failure failure)
{
    auto p = parameters("132");
    put(*p, "data_version", dataVersion);
    post("", p, std::move(success), std::move(failure));
}

void KXHTTPBUSINESS::CreateGroupWithName(const Id& name, Success success, Failure failure)
{
    auto p = parameters("133");
    put(*p, "name", name);
    post("createCollect", p, std::move(success), std::move(failure));
}

void KXHTTPBUSINESS::RenameGroupWithName(const Id& name, const Id& groupID, Success success, Failure failure)
{
    auto p = parameters("134");
    put(*p, "id", Id(groupID.integerValue()));
    put(*p, "name", name);
    put(*p, "collect_img", Id(""));
    post("modifyCollect", p, std::move(success), std::move(failure));
}

void KXHTTPBUSINESS::DeleteGroupWithGroup_id(const Id& groupID, Success success, Failure failure)
{
    auto p = parameters("135");
    put(*p, "id", Id(groupID.integerValue()));
    post("deleCollect", p, std::move(success), std::move(failure));
}

void KXHTTPBUSINESS::publishCollection(const Id& collectionID, const Id& isEncrypt, const Id& encryptStr, const Id&, const Id& base64image,
                                       const Id& tagID, const Id& tagName, const Id& imgSuffix, const Id& collectionName, Success success,
                                       Failure failure)
{
    auto p = parameters("136");
    put(*p, "id", collectionID);
    put(*p, "is_encrypt", isEncrypt);
    put(*p, "encrypt_str", encryptStr);
    put(*p, "img", base64image);
    put(*p, "tag_id", tagID);
    put(*p, "tag_name", tagName);
    put(*p, "suffix", imgSuffix);
    put(*p, "collect_name", collectionName);
    post("", p, std::move(success), std::move(failure));
}

void KXHTTPBUSINESS::GetFocusGroupsListSuceess(Success success, Failure failure)
{
    auto p = parameters("137");
    put(*p, "type", Id("1"));
    post(
        "getMyCollect", p,
        [success](const Id& reply) {
            storeCollectVersion(reply["collect_version"]);
            if (success)
                success(reply);
        },
        std::move(failure));
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
        failure);
}

void KXHTTPBUSINESS::isAttentionGroup(const Id& collectID, const Id& isAttention, Success success, Failure failure)
{
    auto p = parameters("138");
    put(*p, "collect_id", collectID);
    put(*p, "type", isAttention);
    post("followCollect", p, std::move(success), std::move(failure));
}

void KXHTTPBUSINESS::GetFontidsByParticipleword(const Id& text, Success success, Failure failure)
{
    auto p = parameters("141");
    put(*p, "str", text);
    post("getSearch", p, std::move(success), std::move(failure));
}

void KXHTTPBUSINESS::GetFontidsByPageNum(const Id& page, Success success, Failure failure)
{
    auto p = parameters("142");
    put(*p, "encrypt", Id("encrypt"));
    put(*p, "page", page);
    post("", p, std::move(success), std::move(failure));
}

void KXHTTPBUSINESS::getRecommendDataGroupSuceess(Success success, Failure failure)
{
    post("getCollectList", parameters("143"), std::move(success), std::move(failure));
}

void KXHTTPBUSINESS::getRecommendDataByID(const Id& collectionID, const Id& source, Success success, Failure failure)
{
    auto p = parameters("144");
    put(*p, "id", collectionID);
    put(*p, "source", source);
    post("getCollectInfo", p, std::move(success), std::move(failure));
}

void KXHTTPBUSINESS::isUpdateGroupDataByCollectversion(const Id& collectVersion, Success success, Failure failure)
{
    auto p = parameters("145");
    put(*p, "collect_version", collectVersion);
    post("checkCollectUpdate", p, std::move(success), std::move(failure));
}

void KXHTTPBUSINESS::getWeChatCodeSuceess(Success success, Failure failure)
{
    post("getWxQrCode", parameters("146"), std::move(success), std::move(failure));
}

void KXHTTPBUSINESS::loginWithWeChatTicket(const Id& ticket, Success success, Failure failure)
{
    auto p = parameters("147");
    put(*p, "ticket", ticket);
    post("checkWxLogin", p, std::move(success), std::move(failure));
}

void KXHTTPBUSINESS::postChangeFontTimeTotalTime(const Id& total, const Id& extendInfo, long long type, Success success, Failure failure)
{
    auto p = parameters("150");
    put(*p, "total", total);
    put(*p, "extend_info", extendInfo);
    put(*p, "type", Id(type));
    post("fontDuration", p, std::move(success), std::move(failure));
}

void KXHTTPBUSINESS::addBuyCartsWithFids(const Id& fids, Success success, Failure failure)
{
    auto p = parameters("153");
    put(*p, "fids", fids);
    post("addCarts", p, std::move(success), std::move(failure));
}

void KXHTTPBUSINESS::deleteBuyCartsWithFids(const Id& fids, Success success, Failure failure)
{
    auto p = parameters("154");
    put(*p, "fids", fids);
    post("delCarts", p, std::move(success), std::move(failure));
}

void KXHTTPBUSINESS::getBuyCartsDataSuceess(Success success, Failure failure)
{
    post("getCarts", parameters("155"), std::move(success), std::move(failure));
}

void KXHTTPBUSINESS::getFirstAuthDataSuceess(Success success, Failure failure)
{
    post("getAuth", parameters("156"), std::move(success), std::move(failure));
}

void KXHTTPBUSINESS::getSeconAuthDataWithAuthid(const Id& authID, Success success, Failure failure)
{
    auto p = parameters("157");
    put(*p, "auth_id", authID);
    post("getBrand", p, std::move(success), std::move(failure));
}

void KXHTTPBUSINESS::getBuyCartsPriceWithFids(const Id& fids, const Id& brandID, const Id& info, Success success, Failure failure)
{
    auto p = parameters("158");
    put(*p, "brand_id", brandID);
    put(*p, "fids", fids);
    put(*p, "info", info);
    post("getPrice", p, std::move(success), std::move(failure));
}

void KXHTTPBUSINESS::submitBuyCartsOriderWithFids(const Id& fids, const Id& brandID, const Id& info, Success success, Failure failure)
{
    auto p = parameters("159");
    put(*p, "brand_id", brandID);
    put(*p, "fids", fids);
    put(*p, "info", info);
    post("subOrder", p, std::move(success), std::move(failure));
}

void KXHTTPBUSINESS::getUnpaidOriderSuceess(Success success, Failure failure)
{
    post("getUnpaid", parameters("160"), std::move(success), std::move(failure));
}

void KXHTTPBUSINESS::getMyOriderSuceess(Success success, Failure failure)
{
    post("clickOrder", parameters("161"), std::move(success), std::move(failure));
}

void KXHTTPBUSINESS::getFontDetailInfoByFontid(long long fontid, Success success, Failure failure)
{
    auto p = parameters("163");
    put(*p, "fontid", Id(fontid));
    post("getInfo", p, std::move(success), std::move(failure));
}

void KXHTTPBUSINESS::getAllBrandSuceess(Success success, Failure failure)
{
    post("getAllBrand", parameters("164"), std::move(success), std::move(failure));
}
