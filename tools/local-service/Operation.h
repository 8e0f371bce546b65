#pragma once

#include "local-service/FormParams.h"

#include <QJsonArray>
#include <QJsonObject>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace localservice {

class CatalogueIndex;
class StateDatabase;
class ServiceControls;

// Error codes of the envelope. 0 is success; 122 makes the client sign out.
namespace errcode {
inline constexpr int kOk = 0;
inline constexpr int kFailed = 1;          // a business rule refused (message says which)
inline constexpr int kBadSignature = 110;  // "secret" missing or wrong
inline constexpr int kBadParameter = 111;  // message contains "参数错误"
inline constexpr int kTokenInvalid = 122;  // unknown or expired token
inline constexpr int kUnknownOperation = 404;
} // namespace errcode

struct Reply {
    int errcode = errcode::kOk;
    std::string message = "success";
    QJsonObject data;
    QJsonObject topLevel; // extra envelope members (the followed list's "collect_version")
    bool mirrorErrorcode = false; // the store's list replies also carry "errorcode"

    static Reply ok(QJsonObject data = {});
    static Reply failed(int code, std::string message);
    static Reply badParameter(const std::string& name);
};

// What an operation handler sees of one request.
struct OperationContext {
    const FormParams& params;
    StateDatabase& db;
    CatalogueIndex& catalogue;
    ServiceControls& controls;
    std::string baseUrl;
    std::filesystem::path uploadsDir; // where published covers are stored
    std::optional<int64_t> userId; // set when the token is valid
    int64_t now = 0;               // Unix seconds

    const std::string& param(const std::string& name) const;
    bool has(const std::string& name) const;
    // Parses a decimal integer parameter; nullopt when missing or not a whole number.
    std::optional<int64_t> integer(const std::string& name) const;
};

using OperationHandler = std::function<Reply(OperationContext&)>;

// One operation: where it is posted, its tag, and whether it needs a signed-in user.
struct Operation {
    std::string name;
    std::string path; // "" for the base URL
    std::string tag;  // "" for the operation without a tag
    bool needsUser = false;
    // Decides between operations sharing path and tag (getMyCollect's "type", fontDown's forms).
    std::function<bool(const FormParams&)> matches;
    OperationHandler handler;
    // Whether it changes what the service holds for the signed-in user (its folders, follows,
    // cart, orders, profile, agreement or use record): the client reads such a change back when
    // its reply is lost.
    bool changesAccount = false;
};

inline constexpr bool kChangesAccount = true;

// Small helpers shared by the operation areas.
QString qs(const std::string& text);
QJsonArray idArray(const std::vector<int64_t>& ids);

// Parses "1,2,3" into ids; nullopt when any item is not a whole number. Empty text gives none.
std::optional<std::vector<int64_t>> parseIdList(const std::string& text);
std::string joinIds(const std::vector<int64_t>& ids);

} // namespace localservice
