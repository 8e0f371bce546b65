#pragma once

#include "Class/ServiceCore/Transport/KXHTTPREQUEST.h"

#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

// The service's API: one method per server operation. Each builds the operation's parameters with
// its "tag" (three-digit text), forms its URL from the API base URL and posts through the signed
// transport, which adds the common parameters and applies the reply envelope. Success receives
// the decoded reply (the whole envelope) before the envelope rules run, failure the transport's
// error; both on the main queue.
//
// Each operation says whose state its reply carries (KXHTTPREQUEST::ReplyScope). The user's own
// operations (their folders, follows, cart, orders, records and recently used fonts, the
// agreement and the profile) are Account: a reply that comes after its account signed out, or
// after another signed in, never reaches success, and a failure of such a request (a time-out, a
// broken connection, a reply that is no JSON object) is logged but does not reach failure as it
// is: either way failure gets KXRequestAccount::endedError().
// The sign-ins and a collection's page are Account only when asked signed in. The catalogue, the
// reports, the version and the store's offers are Public. The agreement of a user still to accept
// it, and its read, are Agreement: nothing else goes with that user's token.
//
// Text arguments are taken as given (nil leaves the parameter out). Make one object per operation
// on the main thread; it may be dropped right after the call, the request completes regardless.
class KXHTTPBUSINESS {
public:
    using Success = std::function<void(const foundation::Id& reply)>;
    using Failure = std::function<void(const foundation::Ref<foundation::Error>& error)>;

    // The environment variable that overrides the distribution config's API base URL.
    static constexpr const char* kBaseURLVariable = "CORVANE_API_BASE_URL";
    // The key of the API base URL in the distribution config (config.plist of the resources).
    static constexpr const char* kBaseURLConfigKey = "APIBaseURL";
    // An https URL ending in "/" (one is added when missing); "" when none is configured or the
    // configured one is not https.
    static std::string apiBaseURL();

    std::shared_ptr<KXHTTPREQUEST> REQUEST();
    void setREQUEST(std::shared_ptr<KXHTTPREQUEST> request) { request_ = std::move(request); }

    // The operations sent from this object leave the service's refusal to their caller, which says
    // it (KXHTTPREQUEST::showRefusal) or not: KXHTTPBUSINESS().refusalsShownByCaller().LoginWithName(...).
    KXHTTPBUSINESS& refusalsShownByCaller()
    {
        refusal_ = KXHTTPREQUEST::Refusal::ShownByCaller;
        return *this;
    }

    // Pretty-printed JSON text of the array; "" for nil or when it cannot be written.
    static foundation::Ref<foundation::String> arrayToJsonString(const foundation::Ref<foundation::Array>& array);

    // Catalogue and downloads.
    void GetFontsListByParameters(const foundation::Ref<foundation::Dictionary>& parameters, Success success, Failure failure);
    void GetBoughtFontsListSuceess(Success success, Failure failure);
    void GetFontByFontID(const foundation::Id& fontIDs, Success success, Failure failure);
    void upLoadAppUseInfoDownloadids(const foundation::Ref<foundation::Array>& downloadIds, const foundation::Ref<foundation::Array>& activation,
                                     Success success, Failure failure);
    void getRecentUserDataSuceess(Success success, Failure failure);
    void EditFontToGroupWithByParameters(const foundation::Ref<foundation::Dictionary>& parameters, Success success, Failure failure);
    void GetFontImgsByString(const foundation::Id& text, const foundation::Id& fids, Success success, Failure failure);
    // Success receives only "tags" of the payload (nil when absent), whatever the errcode.
    void GetTagListSuceess(Success success, Failure failure);
    void GetINITDataWithDataVersion(const foundation::Id& dataVersion, Success success, Failure failure);
    void GetChangedDataWithDataVersion(const foundation::Id& dataVersion, Success success, Failure failure);
    void updateMoreDataByDadaVersion(const foundation::Id& dataVersion, Success success, Failure failure);
    void GetFontidsByParticipleword(const foundation::Id& text, Success success, Failure failure);
    void GetFontidsByPageNum(const foundation::Id& page, Success success, Failure failure);
    void getFontDetailInfoByFontid(long long fontid, Success success, Failure failure);
    void postChangeFontTimeTotalTime(const foundation::Id& total, const foundation::Id& extendInfo, long long type, Success success,
                                     Failure failure);

    // Account.
    void GetUserDataSuceess(Success success, Failure failure);
    void LoginWithName(const foundation::Id& name, const foundation::Id& password, Success success, Failure failure);
    void GetPhoneCodeWithPhone(const foundation::Id& phone, Success success, Failure failure);
    void RegisterWithPhone(const foundation::Id& phone, const foundation::Id& code, const foundation::Id& password, Success success,
                           Failure failure);
    // The agreement of the user whose sign-in waits for it (the only request besides the next
    // one that carries a waiting account's token, KXAccountState).
    void agreementProtocolSuceess(Success success, Failure failure);
    // The waiting sign-in renewed, with its token: the user record that says whether its user has
    // agreed, when the agreement's own reply never came.
    void renewWaitingSignIn(Success success, Failure failure);
    void ReviseUserInfoWithSex(const foundation::Id& sex, const foundation::Id& city, const foundation::Id& head, const foundation::Id& nickname,
                               const foundation::Id& province, const foundation::Id& birthday, const foundation::Id& introduce, Success success,
                               Failure failure);
    void getWeChatCodeSuceess(Success success, Failure failure);
    void loginWithWeChatTicket(const foundation::Id& ticket, Success success, Failure failure);
    // The count of unpaid orders. Each count the service gives (errcode 0) is posted as
    // kUnpaidCountNotification before `success` runs, so every view of it shows the latest.
    void getUnpaidOriderSuceess(Success success, Failure failure);
    void getMyOriderSuceess(Success success, Failure failure);

    // Client reports and updates.
    void upLoadActivationErrorWithClientName(const foundation::Id& clientName, const foundation::Id& clientVersion, const foundation::Id& platform,
                                             const foundation::Id& errorInfo, Success success, Failure failure);
    void getNewAppVersionInfoSuceess(Success success, Failure failure);
    void appFirstLunchSuceess(Success success, Failure failure);
    void appFinishLunchSuceess(Success success, Failure failure);
    void appUsedTime(long long seconds, Success success, Failure failure);

    // Favourite folders and collections.
    void CollectFontWithFontid(const foundation::Id& fontIDs, const foundation::Id& collectID, Success success, Failure failure);
    void CreateGroupWithName(const foundation::Id& name, Success success, Failure failure);
    void RenameGroupWithName(const foundation::Id& name, const foundation::Id& groupID, Success success, Failure failure);
    void DeleteGroupWithGroup_id(const foundation::Id& groupID, Success success, Failure failure);
    void publishCollection(const foundation::Id& collectionID, const foundation::Id& isEncrypt, const foundation::Id& encryptStr,
                           const foundation::Id& collectDesc, const foundation::Id& base64image, const foundation::Id& tagID,
                           const foundation::Id& tagName, const foundation::Id& imgSuffix, const foundation::Id& collectionName, Success success,
                           Failure failure);
    // Stores the reply's top-level "collect_version" (removes it when absent), whatever the errcode.
    void GetFocusGroupsListSuceess(Success success, Failure failure);
    // On errcode 0 stores the payload's "collect_version" and calls success. A non-zero errcode
    // goes to failure with an error carrying the errcode and message.
    void GetCollectGroupsListSuceess(Success success, Failure failure);
    void isAttentionGroup(const foundation::Id& collectID, const foundation::Id& isAttention, Success success, Failure failure);
    void getRecommendDataGroupSuceess(Success success, Failure failure);
    void getRecommendDataByID(const foundation::Id& collectionID, const foundation::Id& source, Success success, Failure failure);
    void isUpdateGroupDataByCollectversion(const foundation::Id& collectVersion, Success success, Failure failure);

    // Store.
    void addBuyCartsWithFids(const foundation::Id& fids, Success success, Failure failure);
    void deleteBuyCartsWithFids(const foundation::Id& fids, Success success, Failure failure);
    void getBuyCartsDataSuceess(Success success, Failure failure);
    void getFirstAuthDataSuceess(Success success, Failure failure);
    void getSeconAuthDataWithAuthid(const foundation::Id& authID, Success success, Failure failure);
    void getBuyCartsPriceWithFids(const foundation::Id& fids, const foundation::Id& brandID, const foundation::Id& info, Success success,
                                  Failure failure);
    void submitBuyCartsOriderWithFids(const foundation::Id& fids, const foundation::Id& brandID, const foundation::Id& info, Success success,
                                      Failure failure);
    void getAllBrandSuceess(Success success, Failure failure);

    // Posted on the default centre, with no sender, with {"num": the count of unpaid orders}.
    static constexpr const char* kUnpaidCountNotification = "KXHTTPBUSINESSUnpaidCount";

    // The error domain of a refused own-folders reply; its user info holds "errcode" and "message".
    static constexpr const char* kReplyErrorDomain = "KXHTTPBUSINESSReplyError";

private:
    using Parameters = foundation::Ref<foundation::MutableDictionary>;
    // One parameter of an operation; a nil value leaves it out.
    using Field = std::pair<const char*, foundation::Id>;
    using Scope = KXHTTPREQUEST::ReplyScope;
    // The tag, then the fields in their order.
    static Parameters parameters(std::string_view tag, std::initializer_list<Field> fields = {});
    void post(std::string_view path, const Parameters& parameters, Success success, Failure failure, Scope scope);

    std::shared_ptr<KXHTTPREQUEST> request_;
    KXHTTPREQUEST::Refusal refusal_ = KXHTTPREQUEST::Refusal::ShownHere;
};
