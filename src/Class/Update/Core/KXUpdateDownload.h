#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

class KXHTTPREQUEST;

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
// downloads it through the transport's download queue into its download folder and checks both.
// Only a verified package reaches Finished; an address that is empty or not http(s), a reply
// without size or hash for that package, a failed transfer, a file that is neither a .deb nor an
// .AppImage, or one whose size or SHA-256 differs all end in Failed, and a downloaded file that
// failed its check is deleted. From Failed, start() tries again; in every other state it does
// nothing, so showing the window again never restarts a download.
//
// open() hands the verified package to the desktop through the URL opener: a .deb to its default
// application (the desktop's package installer); an .AppImage is made executable and its folder is
// opened. The client installs nothing itself. When the desktop's opener later fails, `onFailure`
// runs on the main queue with the reason.
//
// Progress arrives on the download's thread and is moved to the main queue; every callback holds
// the object weakly. Main thread only.
class KXUpdateDownload : public std::enable_shared_from_this<KXUpdateDownload> {
public:
    enum class State { Idle, Checking, Downloading, Verifying, Finished, Failed };
    enum class Failure {
        None,
        RefusedAddress,  // no package address, or not http(s)
        NoPackageInfo,   // the service did not say the package's size and hash
        Transfer,        // the download failed
        Unverified,      // size or hash differ, or the file could not be read
        UnsupportedFile, // neither .deb nor .AppImage
    };
    enum class Verdict { Verified, SizeMismatch, HashMismatch, Unreadable };

    // The bar's filled width at 100 %, in points.
    static constexpr double kFullWidth = 840;
    static constexpr const char* kModule = "更新错误";

    static std::shared_ptr<KXUpdateDownload> create();

    void setDelegate(std::weak_ptr<KXUpdateDownloadDelegate> delegate) { delegate_ = std::move(delegate); }

    void start();
    State state() const { return state_; }
    Failure failure() const { return failure_; }
    float fraction() const { return fraction_; }
    // The verified package (Finished), else empty.
    const std::filesystem::path& packagePath() const { return packagePath_; }
    // nullopt when the desktop was asked to open it, else why not.
    std::optional<std::string> open(std::function<void(const std::string& reason)> onFailure = {}) const;

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
    std::shared_ptr<KXHTTPREQUEST> transport_;
    State state_ = State::Idle;
    Failure failure_ = Failure::None;
    float fraction_ = 0;
    std::filesystem::path packagePath_;
};
