#include "Class/Update/Core/KXUpdateDownload.h"

#include "Class/ServiceCore/Transport/KXGlobalDataBase.h"
#include "Class/ServiceCore/Transport/KXHTTPBUSINESS.h"
#include "Class/Update/Core/KXUpdateTransfer.h"
#include "Platform/Crypto/Digest.h"
#include "Platform/Desktop/URLOpener.h"
#include "Platform/Dispatch/Queue.h"
#include "Platform/Foundation/Format.h"
#include "Platform/Foundation/String.h"

#include <algorithm>
#include <cctype>
#include <memory>
#include <optional>
#include <system_error>
#include <utility>

using foundation::Id;
namespace fs = std::filesystem;

namespace {

bool endsWith(const std::string& text, const std::string& suffix, bool ignoreCase)
{
    if (text.size() < suffix.size())
        return false;
    return std::equal(suffix.begin(), suffix.end(), text.end() - static_cast<std::ptrdiff_t>(suffix.size()), [&](char a, char b) {
        return ignoreCase ? std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b)) : a == b;
    });
}

bool isDebianPackage(const fs::path& file)
{
    return endsWith(file.filename().string(), ".deb", true);
}

std::string lowerCase(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// A whole number of bytes above 0, as a number or as digits.
std::optional<long long> packageSize(const Id& value)
{
    if (!value.number() && !value.string())
        return std::nullopt;
    const std::string text = value.stringValue();
    if (text.empty() || !std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isdigit(c); }))
        return std::nullopt;
    const long long size = value.integerValue();
    return size > 0 ? std::optional<long long>(size) : std::nullopt;
}

bool isSha256(const std::string& text)
{
    return text.size() == 64 && std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isxdigit(c); });
}

} // namespace

std::shared_ptr<KXUpdateDownload> KXUpdateDownload::create()
{
    return std::make_shared<KXUpdateDownload>();
}

KXUpdateDownload::KXUpdateDownload() = default;

KXUpdateDownload::~KXUpdateDownload() = default;

std::string KXUpdateDownload::percentText(float fraction)
{
    return foundation::format("%.f%%", static_cast<double>(fraction) * 100);
}

bool KXUpdateDownload::isSupportedPackage(const fs::path& file)
{
    const std::string name = file.filename().string();
    return endsWith(name, ".deb", true) || endsWith(name, ".AppImage", true);
}

KXUpdateDownload::Verdict KXUpdateDownload::verify(const fs::path& file, long long size, const std::string& sha256)
{
    std::error_code error;
    const auto actualSize = fs::file_size(file, error);
    if (error)
        return Verdict::Unreadable;
    if (static_cast<long long>(actualSize) != size)
        return Verdict::SizeMismatch;
    const auto digest = crypto::fileSHA256Hex(file);
    if (!digest)
        return Verdict::Unreadable;
    return *digest == lowerCase(sha256) ? Verdict::Verified : Verdict::HashMismatch;
}

void KXUpdateDownload::setState(State state)
{
    state_ = state;
    if (auto delegate = delegate_.lock())
        delegate->updateDownloadChanged();
}

void KXUpdateDownload::fail(Failure failure)
{
    failure_ = failure;
    setState(State::Failed);
}

void KXUpdateDownload::start()
{
    if (state_ != State::Idle && state_ != State::Failed)
        return;
    KXGlobalDataBase::sharedKXGlobalDataBase().setCurrentModule(foundation::String::create(kModule));
    failure_ = Failure::None;
    fraction_ = 0;
    packagePath_.clear();
    const Id stored(KXGlobalDataBase::sharedKXGlobalDataBase().downLoadUrl());
    const auto url = desktop::URLOpener::acceptedWebAddress(stored.stringValue());
    if (!url) {
        fail(Failure::RefusedAddress);
        return;
    }
    fetchPackageInfo(*url);
}

void KXUpdateDownload::fetchPackageInfo(const std::string& url)
{
    setState(State::Checking);
    std::weak_ptr<KXUpdateDownload> weak = weak_from_this();
    KXHTTPBUSINESS().getNewAppVersionInfoSuceess(
        [weak, url](const Id& reply) {
            auto self = weak.lock();
            if (!self)
                return;
            const Id data = reply["corvane_data"];
            const auto size = packageSize(data["size"]);
            const std::string sha256 = data["sha256"].stringValue();
            // The reply must describe the very package the prompt offered.
            const bool samePackage = desktop::URLOpener::acceptedWebAddress(data["download"].stringValue()) == url;
            if (reply["errcode"].integerValue() != 0 || reply["errcode"].isNil() || !samePackage || !size || !isSha256(sha256)) {
                self->fail(Failure::NoPackageInfo);
                return;
            }
            if (*size > kMaximumPackageBytes) {
                self->fail(Failure::OversizedOffer);
                return;
            }
            self->download(url, *size, sha256);
        },
        [weak](const foundation::Ref<foundation::Error>&) {
            // The request did not come back with a reply: nothing is known about the package.
            if (auto self = weak.lock())
                self->fail(Failure::Transfer);
        });
}

void KXUpdateDownload::download(const std::string& url, long long size, std::string sha256)
{
    setState(State::Downloading);
    std::weak_ptr<KXUpdateDownload> weak = weak_from_this();
    transfer_ = KXUpdateTransfer::start(
        url, size,
        [weak](float fraction) {
            dispatch::mainQueue().async([weak, fraction] {
                auto self = weak.lock();
                if (!self || self->state_ != State::Downloading)
                    return;
                self->fraction_ = fraction;
                if (auto delegate = self->delegate_.lock())
                    delegate->updateDownloadProgressed(fraction);
            });
        },
        [weak, size, sha256](KXUpdateTransfer::Outcome outcome, const fs::path& file) {
            auto self = weak.lock();
            if (!self) {
                std::error_code ignored;
                if (!file.empty())
                    fs::remove(file, ignored);
                return;
            }
            self->transfer_.reset();
            switch (outcome) {
            case KXUpdateTransfer::Outcome::Done:
                self->verifyDownload(file, size, sha256);
                return;
            case KXUpdateTransfer::Outcome::Oversized:
                // More bytes than announced: not the package the reply described.
                self->fail(Failure::LargerThanOffer);
                return;
            case KXUpdateTransfer::Outcome::NoSpace:
                self->fail(Failure::NoSpace);
                return;
            case KXUpdateTransfer::Outcome::Failed:
                self->fail(Failure::Transfer);
                return;
            }
        });
}

void KXUpdateDownload::verifyDownload(const fs::path& file, long long size, std::string sha256)
{
    setState(State::Verifying);
    std::weak_ptr<KXUpdateDownload> weak = weak_from_this();
    // Hashing a large package takes a while: off the main thread.
    dispatch::globalQueue().async([weak, file, size, sha256] {
        const bool supported = isSupportedPackage(file);
        const Verdict verdict = supported ? verify(file, size, sha256) : Verdict::Unreadable;
        if (verdict != Verdict::Verified) {
            std::error_code ignored;
            fs::remove(file, ignored);
        }
        dispatch::mainQueue().async([weak, file, size, sha256, supported, verdict] {
            auto self = weak.lock();
            if (!self)
                return;
            if (!supported) {
                self->fail(Failure::UnsupportedFile);
                return;
            }
            if (verdict != Verdict::Verified) {
                self->fail(Failure::Unverified);
                return;
            }
            self->packagePath_ = file;
            self->packageSize_ = size;
            self->packageSha256_ = sha256;
            self->fraction_ = 1;
            self->setState(State::Finished);
        });
    });
}

void KXUpdateDownload::open(OpenDone done, std::function<void(const std::string& reason)> onFailure)
{
    if (state_ != State::Finished) {
        dispatch::mainQueue().async([done = std::move(done)] {
            if (done)
                done(std::string("The package is not verified yet."));
        });
        return;
    }
    std::weak_ptr<KXUpdateDownload> weak = weak_from_this();
    // An opener that fails at once can report it on the main queue before the hand-over below is
    // reported there: such a failure waits for the hand-over, so that the caller always hears of
    // the hand-over first and of its failure after it. Both fields live on the main queue.
    struct HandOver {
        bool reported = false;
        std::optional<std::string> earlyFailure;
    };
    auto handOver = std::make_shared<HandOver>();
    auto failed = [handOver, onFailure = std::move(onFailure)](const std::string& reason) {
        if (!handOver->reported)
            handOver->earlyFailure = reason;
        else if (onFailure)
            onFailure(reason);
    };
    auto reported = [handOver, failed](const std::optional<std::string>& refused, const OpenDone& then) {
        handOver->reported = true;
        if (then)
            then(refused);
        if (const auto early = std::exchange(handOver->earlyFailure, std::nullopt))
            failed(*early);
    };
    // The check and the hand-over follow each other off the main thread, as close as they can.
    dispatch::globalQueue().async([weak, file = packagePath_, size = packageSize_, sha256 = packageSha256_,
                                      done = std::move(done), onFailure = std::move(failed),
                                      reported = std::move(reported)]() mutable {
        const bool unchanged = verify(file, size, sha256) == Verdict::Verified;
        std::optional<std::string> refused;
        if (!unchanged) {
            std::error_code ignored;
            fs::remove(file, ignored);
            refused = "The package changed since it was checked.";
        } else if (isDebianPackage(file)) {
            refused = desktop::URLOpener::shared()->openLocalFile(file, std::move(onFailure));
        } else {
            // An AppImage runs from where it lies: executable for its owner alone, then its folder
            // is shown.
            std::error_code error;
            fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write | fs::perms::owner_exec,
                fs::perm_options::replace, error);
            refused = error
                ? "Could not make the package executable: " + error.message()
                : desktop::URLOpener::shared()->openLocalFile(file.parent_path(), std::move(onFailure));
        }
        dispatch::mainQueue().async([weak, file, unchanged, refused, done = std::move(done),
                                        reported = std::move(reported)] {
            auto self = weak.lock();
            if (self && !unchanged && self->state_ == State::Finished && self->packagePath_ == file) {
                self->packagePath_.clear();
                self->fail(Failure::Unverified);
            }
            reported(refused, done);
        });
    });
}
