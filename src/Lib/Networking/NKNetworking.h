#pragma once

#include <string>
#include <string_view>

// Names shared by the HTTP client layer: error domains, notification names and the keys of the
// completion notification. The received-data key has no "task" segment; callers match it exactly.

inline constexpr std::string_view NKURLRequestSerializationErrorDomain = "com.ostrelle.error.serialization.request";
inline constexpr std::string_view NKURLResponseSerializationErrorDomain = "com.ostrelle.error.serialization.response";
inline constexpr std::string_view NKNetworkingOperationFailingURLResponseErrorKey = "com.ostrelle.serialization.response.error.response";
inline constexpr std::string_view NKNetworkingOperationFailingURLResponseDataErrorKey = "com.ostrelle.serialization.response.error.data";

inline constexpr std::string_view NKNetworkingTaskDidResumeNotification = "com.ostrelle.networking.task.resume";
inline constexpr std::string_view NKNetworkingTaskDidSuspendNotification = "com.ostrelle.networking.task.suspend";
inline constexpr std::string_view NKNetworkingTaskDidCompleteNotification = "com.ostrelle.networking.task.complete";
inline constexpr std::string_view NKURLSessionDidInvalidateNotification = "com.ostrelle.networking.session.invalidate";
inline constexpr std::string_view NKURLSessionDownloadTaskDidFailToMoveFileNotification =
    "com.ostrelle.networking.session.download.file-manager-error";
inline constexpr std::string_view NKNSURLSessionTaskDidResumeNotification = "com.ostrelle.networking.nsurlsessiontask.resume";
inline constexpr std::string_view NKNSURLSessionTaskDidSuspendNotification = "com.ostrelle.networking.nsurlsessiontask.suspend";

inline constexpr std::string_view NKNetworkingTaskDidCompleteResponseSerializerKey = "com.ostrelle.networking.task.complete.responseserializer";
inline constexpr std::string_view NKNetworkingTaskDidCompleteResponseDataKey = "com.ostrelle.networking.complete.finish.responsedata";
inline constexpr std::string_view NKNetworkingTaskDidCompleteAssetPathKey = "com.ostrelle.networking.task.complete.assetpath";
inline constexpr std::string_view NKNetworkingTaskDidCompleteSerializedResponseKey = "com.ostrelle.networking.task.complete.serializedresponse";
inline constexpr std::string_view NKNetworkingTaskDidCompleteErrorKey = "com.ostrelle.networking.task.complete.error";

inline constexpr std::string_view NKNetworkingReachabilityDidChangeNotification = "com.ostrelle.networking.reachability.change";
inline constexpr std::string_view NKNetworkingReachabilityNotificationStatusItem = "BramblewayReachabilityNotificationStatusItem";

// A user-facing text of this layer from the strings table "Brambleway"; the key is the text when
// the table has no entry (this port ships no table, so today every text is its English key).
std::string NKLocalizedString(std::string_view key);

#include <functional>

// Where this layer's log lines go: the process log (stderr) unless a handler is set. Thread-safe.
void NKLog(const std::string& line);
// Replaces the handler; an empty function restores the default. Returns the previous one.
std::function<void(const std::string&)> NKSetLogHandler(std::function<void(const std::string&)> handler);
