#pragma once

#include "Class/ServiceCore/Transport/KXSessionLimits.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

class KXUpdateTransfer;

// What the updater window shows as its download moves on; every method defaults to nothing.
class KXUpdateDownloadDelegate {
public:
    virtual ~KXUpdateDownloadDelegate() = default;
    virtual void updateDownloadProgressed(float fraction) { (void)fraction; }
    // The state changed (see KXUpdateDownload::state()).
    virtual void updateDownloadChanged() { }
};

// The updater's work without its window: download the Linux package of the newer version, verify
// it, and offer it to the desktop.
//
// start() reads the package address that the version check stored (KXGlobalDataBase's
// downLoadUrl), asks the service's version reply for that package's "size" and "sha256", then
// downloads it (KXUpdateTransfer) into the transport's download folder and checks both. Only a
// verified package reaches Finished; an address that is empty or not http(s), a reply without size
// or hash for that package, a size above kMaximumPackageBytes (refused before anything is fetched),
// too little free space for the announced size, a version request or a transfer that failed on
// its way, a file that is
// neither a .deb nor an .AppImage, or one whose size or SHA-256 differs all end in Failed, and a
// downloaded file that failed its check is deleted. A body that passes the announced size (as
// announced or as it decodes) is stopped there, its partial file deleted, and ends in Failed
// (LargerThanOffer): it never reached the check. From Failed, start() tries again; in every other
// state it does nothing, so showing the window again never restarts a download.
//
// open() checks the package's size and SHA-256 once more (it may be opened hours after its
// download), then hands it to the desktop through the URL opener: a .deb to its default
// application (the desktop's package installer); an .AppImage is made executable for its owner
// alone and its folder is opened. A package that changed meanwhile is deleted and the download
// ends in Failed (Unverified). The client installs nothing itself. When the desktop's opener later
// fails, `onFailure` runs on the main queue with the reason.
//
// Progress arrives on the download's thread and is moved to the main queue; every callback holds
// the object weakly. Main thread only.
class KXUpdateDownload : public std::enable_shared_from_this<KXUpdateDownload> {
public:
    enum class State { Idle, Checking, Downloading, Verifying, Finished, Failed };
    enum class Failure {
        None,
        RefusedAddress,  // no package address, or not http(s)
        NoPackageInfo,   // the service's reply did not say the package's size and hash
        OversizedOffer,  // the announced size is above kMaximumPackageBytes
        NoSpace,         // the download folder's disk cannot hold the announced size
        Transfer,        // the version request or the download failed on its way
        LargerThanOffer, // the body passed the announced size: stopped there, nothing kept
        Unverified,      // size or hash differ, or the file could not be read
        UnsupportedFile, // neither .deb nor .AppImage
    };
    enum class Verdict { Verified, SizeMismatch, HashMismatch, Unreadable };

    // The bar's filled width at 100 % in a window of its designed width, in points.
    static constexpr double kFullWidth = 840;
    static constexpr const char* kModule = "更新错误";
    // The most a package may announce: the service core's download ceiling, far above a real one.
    static constexpr long long kMaximumPackageBytes = KXSessionLimits::kMaximumDownloadBytes;

    static std::shared_ptr<KXUpdateDownload> create();
    KXUpdateDownload();
    ~KXUpdateDownload();

    void setDelegate(std::weak_ptr<KXUpdateDownloadDelegate> delegate) { delegate_ = std::move(delegate); }

    void start();
    State state() const { return state_; }
    Failure failure() const { return failure_; }
    float fraction() const { return fraction_; }
    // The verified package (Finished), else empty.
    const std::filesystem::path& packagePath() const { return packagePath_; }
    // `done` runs on the main queue once the package was checked again: nullopt when the desktop
    // was asked to open it, else why not. `onFailure` runs on the main queue when the desktop's
    // opener fails later, always after `done`.
    using OpenDone = std::function<void(const std::optional<std::string>& refused)>;
    void open(OpenDone done, std::function<void(const std::string& reason)> onFailure = {});

    // "%.f%%" of the percentage: 0.374 gives "37%".
    static std::string percentText(float fraction);
    static double progressWidth(float fraction) { return static_cast<double>(fraction) * kFullWidth; }
    static Verdict verify(const std::filesystem::path& file, long long size, const std::string& sha256);
    static bool isSupportedPackage(const std::filesystem::path& file);

private:
    void fetchPackageInfo(const std::string& url);
    void download(const std::string& url, long long size, std::string sha256);
    void verifyDownload(const std::filesystem::path& file, long long size, std::string sha256);
    void fail(Failure failure);
    void setState(State state);

    std::weak_ptr<KXUpdateDownloadDelegate> delegate_;
    std::unique_ptr<KXUpdateTransfer> transfer_;
    State state_ = State::Idle;
    Failure failure_ = Failure::None;
    float fraction_ = 0;
    std::filesystem::path packagePath_;
    // What the verified package was checked against, for the check before it is opened.
    long long packageSize_ = 0;
    std::string packageSha256_;
};
