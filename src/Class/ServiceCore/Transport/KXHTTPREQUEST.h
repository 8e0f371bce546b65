#pragma once

#include "Class/ServiceCore/Transport/KXSessionLimits.h"
#include "Platform/Foundation/Array.h"
#include "Platform/Foundation/Atomic.h"
#include "Platform/Foundation/Dictionary.h"
#include "Platform/Foundation/Error.h"
#include "Platform/Foundation/String.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

namespace dispatch {
class BlockOperation;
class OperationQueue;
} // namespace dispatch

namespace net {
class URLSessionDownloadTask;
}

class NKHTTPSessionManager;

// The one road to the service's API: adds the device and session parameters to a request, signs
// it with "secret", posts it form-encoded and applies the reply envelope (caller first, then the
// HTTP error log, the sign-out notice on errcode 122 or a warning toast, which a caller may show
// itself instead: Refusal::ShownByCaller). A reply belongs to the
// account the request was asked for (KXRequestAccount): once that account has gone, its envelope
// is only logged, and the reply of a per-user operation is dropped, its caller getting the
// failure path with KXRequestAccount::endedError(); a per-user operation that fails once its
// account has gone is logged, and its caller gets the same ended error. It also holds the
// download queue of the font pages: one download per URL, at most 10 transfers at once, into the
// "KXFonts" folder of the user's cache folder.
//
// Make one with create() and keep it; replies and download completions are delivered on the main
// queue, progress reports on the download's own delegate queue. Requests are started on the main
// thread. The download bookkeeping is guarded by the object's mutex, so it may also be read from
// other threads.
class KXHTTPREQUEST : public std::enable_shared_from_this<KXHTTPREQUEST> {
public:
    using ReplyBlock = std::function<void(const foundation::Id& reply)>;
    using ErrorBlock = std::function<void(const foundation::Ref<foundation::Error>& error)>;
    using PercentBlock = std::function<void(float fraction)>;
    using DictionaryBlock = std::function<void(const foundation::Ref<foundation::Dictionary>& dictionary)>;

    static constexpr const char* kLogoutNotification = "homeNotificationCenter";
    static constexpr const char* kPlatform = "mz_mac";
    static constexpr double kTimeoutInterval = 10;
    // An API reply, after decoding, is at most this long; a longer one fails with
    // NSURLErrorDataLengthExceedsMaximum (-1103).
    static constexpr std::int64_t kMaxReplyBytes = KXSessionLimits::kMaxReplyBytes;
    static constexpr long kMaxConcurrentDownloads = 10;

    // Whose state a reply carries.
    enum class ReplyScope {
        Public,            // the same for everyone: handed to the caller whoever is signed in then
        Account,           // the asking account's: dropped once that account has gone
        AccountIfSignedIn, // a sign-in, or a page anyone may ask for: Account when asked signed in
        Agreement,         // the agreement of a user still to accept it, and the read that confirms
                           // it: the only requests that carry a waiting account's token
    };

    // Who shows the service's refusal (a non-zero errcode other than the sign-out and the sign-in
    // poll's "not yet"): the transport's warning toast, or the caller, which decides whether it is
    // said at all (showRefusal()). The log and the sign-out are the transport's either way.
    enum class Refusal {
        ShownHere,
        ShownByCaller,
    };

    static std::shared_ptr<KXHTTPREQUEST> create();
    ~KXHTTPREQUEST();
    KXHTTPREQUEST(const KXHTTPREQUEST&) = delete;
    KXHTTPREQUEST& operator=(const KXHTTPREQUEST&) = delete;

    // Writes the common parameters and "secret" into `parameters` (the caller's dictionary keeps
    // them) and posts it. Returns at once. The common "token" is the signed-in account's
    // (KXAccountState::requestToken). While a sign-in waits for the agreement, an Account request
    // is not sent: its failure block gets KXRequestAccount::endedError() on the main queue.
    void PostJsonWithURLString(std::string_view URLString,
        const foundation::Ref<foundation::MutableDictionary>& parameters, ReplyBlock success, ErrorBlock fail,
        ReplyScope scope = ReplyScope::Public, Refusal refusal = Refusal::ShownHere);
    // The refusal of a reply as the transport shows it: the service's message as a warning toast.
    // Nothing for a reply that is no refusal.
    static void showRefusal(const foundation::Id& reply);
    // A plain GET with the parameters in the query: no common parameters, signature or envelope.
    void getJosonWithURLString(std::string_view URLString, const foundation::Id& parameters, ReplyBlock success, ErrorBlock fail);
    void cancelRequest();

    // The signature over every entry of the dictionary (32 lower-case hexadecimal digits).
    static foundation::Ref<foundation::String> dictionaryToMD5HexSting(const foundation::Ref<foundation::Dictionary>& dictionary);
    // nil for nil or empty text.
    static foundation::Ref<foundation::String> md5HexDigest(const foundation::Ref<foundation::String>& text);
    static foundation::Ref<foundation::String> getCurrentTimes();

    foundation::Ref<NKHTTPSessionManager> NKManager();
    void setNKManager(foundation::Ref<NKHTTPSessionManager> manager);

    // Download queue. The callbacks of a URL already in flight on this object are dropped. A body
    // longer than maximumDownloadBytes() fails the download (NSURLErrorDataLengthExceedsMaximum)
    // and leaves nothing in the folder.
    //
    // What is downloaded here is installed or merged, and no reply carries a digest to check it
    // against: an http address is fetched over https at the same host, port and path
    // (secureDownloadAddress), never over http. When that fetch brings no file (no connection, no
    // TLS, a status outside 2xx) the download is refused: its failure is an NSURLErrorDomain error
    // with kInsecureAddressCode and kInsecureAddressText, the address as given and the https
    // failure beneath it (NSUnderlyingError). The bookkeeping keeps the address as given.
    void downloadWithUrl(std::string_view URLString, PercentBlock percent, DictionaryBlock sucess, DictionaryBlock fail);
    static constexpr long long kInsecureAddressCode = -1022; // NSURLErrorAppTransportSecurityRequiresSecureConnection
    static constexpr const char* kInsecureAddressText = "下载地址不安全，已拒绝下载";
    // The address a download fetches: an http address becomes https (the scheme alone changes);
    // any other is kept as it is.
    static std::string secureDownloadAddress(std::string_view URLString);
    // Whether a download failure's user info is the refusal of an address that is not secure.
    static bool isInsecureAddressRefusal(const foundation::Ref<foundation::Dictionary>& userInfo);
    // The download folder, ending in "/", created when missing; the name is not used.
    static foundation::Ref<foundation::String> creatDirectoryWithSuggestName(const foundation::Ref<foundation::String>& name);

    // At most KXSessionLimits::kMaximumDownloadBytes unless set lower (tests); for downloads
    // started from then on.
    std::int64_t maximumDownloadBytes() const { return maximumDownloadBytes_; }
    void setMaximumDownloadBytes(std::int64_t bytes) { maximumDownloadBytes_ = bytes; }

    std::shared_ptr<dispatch::OperationQueue> fontsQueue();
    // The bookkeeping: whether a URL is in flight here, how many download tasks were started,
    // and a copy of URL text to last reported whole percent ("%zd" text).
    bool hasOperationForURL(std::string_view URLString) const;
    std::size_t downLoadTaskCount() const;
    foundation::Ref<foundation::Dictionary> progressD() const;
    foundation::Ref<foundation::MutableArray> ttfPathA();

private:
    KXHTTPREQUEST() = default;

    struct DownloadState;
    void startDownload(const std::string& URLString, const std::shared_ptr<DownloadState>& state);
    void finishDownload(const std::string& URLString);
    bool reportProgress(const std::string& URLString, long long percent);

    foundation::Atomic<foundation::Ref<NKHTTPSessionManager>> manager_;
    foundation::Atomic<std::shared_ptr<dispatch::OperationQueue>> fontsQueue_;
    foundation::Atomic<foundation::Ref<foundation::MutableArray>> ttfPathA_;

    mutable std::mutex mutex_; // the download bookkeeping below
    std::map<std::string, std::shared_ptr<dispatch::BlockOperation>> operations_;
    std::map<std::string, foundation::Ref<net::URLSessionDownloadTask>> downLoadTaskA_;
    foundation::Ref<foundation::MutableDictionary> progressD_ = foundation::MutableDictionary::create();
    std::atomic<std::int64_t> maximumDownloadBytes_ = KXSessionLimits::kMaximumDownloadBytes;
};
