#include "Class/FontList/Core/KXFontRowRoad.h"

#include "Class/FontList/Core/KXDownloadedFontMap.h"
#include "Class/FontList/Core/KXFontFailure.h"
#include "Class/FontList/Core/KXInstalledFontFiles.h"
#include "Class/FontList/Core/KXRecentUsedStore.h"
#include "Class/ServiceCore/Catalogue/KXUserCenterConfig.h"
#include "Class/ServiceCore/Fonts/KXFontsCore.h"
#include "Class/ServiceCore/Transport/KXGlobalDataBase.h"
#include "Class/ServiceCore/Transport/KXHTTPBUSINESS.h"
#include "Class/ServiceCore/Transport/KXHTTPREQUEST.h"
#include "Class/Theme/ToastPresenter.h"
#include "Platform/Dispatch/NotificationCenter.h"
#include "Platform/Dispatch/Queue.h"
#include "Platform/Foundation/Format.h"

#include <algorithm>
#include <filesystem>
#include <set>
#include <system_error>

using foundation::Array;
using foundation::Id;
using foundation::MutableDictionary;
using foundation::Ref;
using foundation::String;

namespace {

bool fileExists(const Ref<String>& path)
{
    std::error_code ec;
    return path && !path->utf8().empty() && std::filesystem::exists(path->utf8(), ec);
}

bool isEmpty(const Ref<String>& text)
{
    return !text || text->utf8().empty();
}

std::string idText(int fontid)
{
    return foundation::format("%d", fontid);
}

KXInstalledFontFiles::Font fontOf(const KXFontBaseModel& record)
{
    return {record.fontid, record.fontname ? record.fontname->utf8() : std::string()};
}

// The font files this installation may replace: those the client wrote for this same font, as it
// wrote them. Another file of the same name is the user's own or another font's, and stays.
std::set<std::filesystem::path> filesInstalledBefore(KXInstalledFontFiles& installedFiles,
                                                     const KXFontBaseModel& record)
{
    return installedFiles.filesOf(fontOf(record));
}

// The font's name gives its first file, as every list reads it; the files this installation wrote
// are recorded as the font's, so that its next installation (an update) replaces them rather than
// adding copies beside.
void recordInstallation(KXDownloadedFontMap& fontMap, KXInstalledFontFiles& installedFiles,
                        const KXFontBaseModel& record, const Ref<String>& first,
                        const KXFontsCore::InstalledFiles& written)
{
    installedFiles.recordWritten(fontOf(record), written);
    fontMap.setPathForFontname(record.fontname ? record.fontname->utf8() : std::string(), first->utf8());
}

constexpr const char* kDownloadFailedText = "字体下载失败，请稍后重试";

} // namespace

KXFontRowRoadPolicy KXFontRowRoadPolicy::searchPanel()
{
    KXFontRowRoadPolicy policy;
    policy.minimumActivationId = 0;
    policy.marksLocalWhileDownloading = true;
    policy.textRowHeight = 22;
    policy.cellHeight = CellHeight::Fixed;
    policy.cellType = CellType::Catalogue;
    policy.afterFolderDialog = AfterFolderDialog::ReloadRow;
    return policy;
}

KXFontRowRoadPolicy KXFontRowRoadPolicy::fontList()
{
    KXFontRowRoadPolicy policy;
    policy.rowEnd = RowEnd::HandedOffFileInCloudMode;
    policy.fontRowHeight = 0;
    return policy;
}

KXFontRowRoadPolicy KXFontRowRoadPolicy::collectionDetail()
{
    KXFontRowRoadPolicy policy;
    policy.fontRowHeight = 100;
    policy.cellHeight = CellHeight::Untouched;
    policy.cellType = CellType::RowsOwn;
    policy.afterFolderDialog = AfterFolderDialog::ReloadRow;
    return policy;
}

KXFontRowRoadPolicy KXFontRowRoadPolicy::folderDetail()
{
    KXFontRowRoadPolicy policy;
    policy.requiresSignIn = false;
    policy.cellHeight = CellHeight::Fixed;
    policy.afterFolderDialog = AfterFolderDialog::RereadFoldersAndRemove;
    return policy;
}

std::shared_ptr<KXFontRowRoad> KXFontRowRoad::create(std::weak_ptr<KXFontRowRoadOwner> owner, KXFontRowRoadPolicy policy,
                                                     Environment environment)
{
    auto road = std::make_shared<KXFontRowRoad>(std::move(owner), policy, std::move(environment));
    std::weak_ptr<KXFontRowRoad> weak = road;
    road->endObservation_ = road->environment_.notificationCenter->addObserver(
        KXFontsCore::kEndCellLoadingNotification, Id(), nullptr, [weak](const dispatch::Notification& notification) {
            if (const auto self = weak.lock())
                self->endActivityCell(&notification);
        });
    return road;
}

KXFontRowRoad::KXFontRowRoad(std::weak_ptr<KXFontRowRoadOwner> owner, KXFontRowRoadPolicy policy, Environment environment)
    : owner_(std::move(owner))
    , policy_(policy)
    , environment_(std::move(environment))
{
    if (!environment_.makeFontsCore)
        environment_.makeFontsCore = [] { return KXFontsCore::create(); };
    if (!environment_.notificationCenter)
        environment_.notificationCenter = &dispatch::NotificationCenter::defaultCenter();
    if (!environment_.isSignedIn)
        environment_.isSignedIn = [] { return KXUserCenterConfig::sharedKXUserCenterConfig().islogin(); };
}

std::shared_ptr<KXHTTPREQUEST> KXFontRowRoad::REQUEST()
{
    if (!request_)
        request_ = KXHTTPREQUEST::create();
    return request_;
}

KXDownloadedFontMap& KXFontRowRoad::fontMap()
{
    return environment_.fontMap ? *environment_.fontMap : KXDownloadedFontMap::shared();
}

std::vector<std::string> KXFontRowRoad::loadingPaths() const
{
    std::vector<std::string> paths;
    for (const auto& [path, records] : loading_)
        paths.push_back(path);
    std::sort(paths.begin(), paths.end());
    return paths;
}

void KXFontRowRoad::reload(const Ref<KXFontBaseModel>& record)
{
    if (const auto owner = owner_.lock())
        owner->roadReloadRecord(record);
}

void KXFontRowRoad::report(const Ref<Array>& downloadIds, const Ref<Array>& activation)
{
    KXHTTPBUSINESS business;
    business.upLoadAppUseInfoDownloadids(
        downloadIds, activation,
        [](const Id& reply) {
            if (reply["errcode"].integerValue() != 0 || reply["errcode"].isNil())
                return;
            auto& global = KXGlobalDataBase::sharedKXGlobalDataBase();
            global.setDownloadIds(nullptr);
            global.setActivation(nullptr);
        },
        [](const Ref<foundation::Error>&) { });
}

void KXFontRowRoad::select(const Ref<KXFontBaseModel>& record)
{
    if (selected_ != record && selected_) {
        selected_->is_seleted = false;
        reload(selected_);
    }
    selected_ = record;
    record->is_seleted = true;
    reload(record);
}

void KXFontRowRoad::tableViewAction(const Ref<KXFontBaseModel>& record)
{
    if (!record)
        return;
    if (policy_.requiresSignIn && !environment_.isSignedIn()) {
        if (const auto owner = owner_.lock())
            owner->roadAskSignIn();
        return;
    }
    select(record);

    // A file that has gone is installed afresh: its map entry goes and the record forgets it.
    if (!fileExists(record->ttfPath)) {
        const std::string name = record->fontname ? record->fontname->utf8() : std::string();
        if (fontMap().pathForFontname(name))
            fontMap().removeFontname(name);
        record->ttfPath = String::create("");
    }

    if (!isEmpty(record->ttfPath)) {
        reportActivation(record->fontid);
        record->progress = 0.8;
        record->cellType = 1;
        record->isLoading = true;
        show(record, true);
        handOff(environment_.makeFontsCore(), record->ttfPath, record);
        return;
    }
    // The service counts a font as used and downloaded only once it is installed: the click waits
    // for its download's installation, and is forgotten if that fails.
    const Ref<String> url = record->download_url ? record->download_url : String::create("");
    uncounted_[url->utf8()].push_back(record->fontid);
    download(record);
}

void KXFontRowRoad::reportActivation(int fontid)
{
    if (fontid >= policy_.minimumActivationId)
        report(Array::create(),
               Array::create({Id(MutableDictionary::create({{Id("fid"), Id(idText(fontid))}, {Id("num"), Id("1")}}))}));
}

void KXFontRowRoad::countInstalled(const std::string& downloadURL, const Ref<KXFontBaseModel>& record)
{
    std::vector<int> clicks;
    if (const auto waiting = uncounted_.find(downloadURL); waiting != uncounted_.end()) {
        clicks = std::move(waiting->second);
        uncounted_.erase(waiting);
    }
    for (const int fontid : clicks) {
        reportActivation(fontid);
        // No activation list at all: the service reads an empty text as none.
        report(Array::create({Id(idText(fontid))}), nullptr);
    }
    if (record->fontid != 0)
        KXRecentUsedStore::addRecentUsed(idText(record->fontid));
}

void KXFontRowRoad::download(const Ref<KXFontBaseModel>& record)
{
    const std::weak_ptr<KXFontRowRoad> weak = weak_from_this();
    const Ref<String> url = record->download_url ? record->download_url : String::create("");
    const bool marksLocal = policy_.marksLocalWhileDownloading;
    REQUEST()->downloadWithUrl(
        url->utf8(),
        [weak, record, marksLocal](float fraction) {
            dispatch::mainQueue().async([weak, record, marksLocal, fraction] {
                const auto self = weak.lock();
                if (!self)
                    return;
                record->progress = static_cast<double>(fraction * 0.85f);
                record->cellType = 1;
                record->isLoading = true;
                if (marksLocal)
                    record->isLocalFont = true;
                self->show(record, true);
            });
        },
        [weak, record, url](const Ref<foundation::Dictionary>& result) {
            const Ref<String> archivePath = Id(result)["path"].string();
            dispatch::mainQueue().async([weak, record, url, archivePath] {
                const auto self = weak.lock();
                if (!self)
                    return;
                record->isLoading = true;
                self->activeFontsByPath(archivePath, url, record);
            });
        },
        [weak, record, url](const Ref<foundation::Dictionary>& errorInfo) {
            dispatch::mainQueue().async([weak, record, url, errorInfo] {
                if (const auto self = weak.lock())
                    self->fail(record, url->utf8(),
                               kxfontfailure::report(kxfontfailure::Step::Download, errorInfo).c_str());
            });
        });
}

void KXFontRowRoad::activeFontsByPath(const Ref<String>& archivePath, const Ref<String>& downloadURL,
                                      const Ref<KXFontBaseModel>& record)
{
    if (!record)
        return;
    const std::string url = downloadURL ? downloadURL->utf8() : std::string();
    if (isEmpty(archivePath)) {
        fail(record, url, kDownloadFailedText);
        return;
    }
    const std::shared_ptr<KXFontsCore> core = environment_.makeFontsCore();
    const std::weak_ptr<KXFontRowRoad> weak = weak_from_this();
    core->installFontsWithFilePath(
        archivePath, downloadURL, filesInstalledBefore(KXInstalledFontFiles::shared(), *record),
        [weak, record](double fraction) {
            const auto self = weak.lock();
            if (!self)
                return;
            record->progress = fraction * 0.15 + 0.85;
            record->cellType = 1;
            self->show(record, true);
        },
        [weak, record, core, url](const Ref<String>& installed, const KXFontsCore::InstalledFiles&,
                                  const KXFontsCore::InstalledFiles& written) {
            const auto self = weak.lock();
            if (!self)
                return;
            recordInstallation(self->fontMap(), KXInstalledFontFiles::shared(), *record, installed, written);
            self->reload(record);
            record->ttfPath = installed;
            self->countInstalled(url, record);
            self->handOff(core, installed, record);
        },
        [weak, record, url](const Ref<foundation::Error>& error) {
            if (const auto self = weak.lock())
                self->fail(record, url, kxfontfailure::report(kxfontfailure::Step::Install, error).c_str());
        });
}

void KXFontRowRoad::handOff(const std::shared_ptr<KXFontsCore>& core, const Ref<String>& path, const Ref<KXFontBaseModel>& record)
{
    auto& records = loading_[path->utf8()];
    if (std::find(records.begin(), records.end(), record) == records.end())
        records.push_back(record);
    core->activeFontsBypath(path, {}, {});
}

void KXFontRowRoad::fail(const Ref<KXFontBaseModel>& record, const std::string& downloadURL, const char* message)
{
    uncounted_.erase(downloadURL);
    record->isLoading = false;
    record->progress = 0;
    show(record, false);
    if (const auto toasts = ToastPresenter::shared())
        toasts->show(message, ToastStyle::Error, {});
}

void KXFontRowRoad::finish(const Ref<KXFontBaseModel>& record)
{
    record->progress = 1.0;
    record->isLoading = false;
    show(record, false);
}

void KXFontRowRoad::show(const Ref<KXFontBaseModel>& record, bool loading)
{
    // A record without an id (the user's own font, 0) names no font that another record could
    // show: its state stays its own.
    const bool named = record->fontid > 0;
    if (named && loading)
        loadingFonts_[record->fontid] = record;
    else if (named)
        loadingFonts_.erase(record->fontid);
    reload(record);
    if (!named)
        return;
    const auto owner = owner_.lock();
    const auto shown = owner ? owner->roadShownRecord(record->fontid) : nullptr;
    if (!shown || shown == record)
        return;
    // The ring is drawn from the record the row holds. How the row draws the font (its cellType)
    // stays its own list's choice: the clicked record may have been set up for another tab since.
    shown->progress = record->progress;
    shown->isLoading = record->isLoading;
    if (policy_.marksLocalWhileDownloading && record->isLoading)
        shown->isLocalFont = record->isLocalFont;
    owner->roadReloadRecord(shown);
}

void KXFontRowRoad::showLoadingFonts()
{
    // A copy: the owner's redraws run list code of its own while the loop goes on.
    std::vector<Ref<KXFontBaseModel>> loading;
    loading.reserve(loadingFonts_.size());
    for (const auto& [fontid, record] : loadingFonts_)
        loading.push_back(record);
    for (const auto& record : loading)
        show(record, true);
}

void KXFontRowRoad::endActivityCell(const dispatch::Notification* notification)
{
    const auto owner = owner_.lock();
    const bool lookedUp = policy_.rowEnd == KXFontRowRoadPolicy::RowEnd::HandedOffFile || (owner && owner->roadMode() == 1);
    if (!notification || notification->object.isNil() || !lookedUp) {
        if (selected_)
            finish(selected_);
        return;
    }
    const auto ended = loading_.find(notification->object["ttfPath"].stringValue());
    if (ended == loading_.end())
        return;
    const auto records = std::move(ended->second);
    loading_.erase(ended);
    for (const auto& record : records)
        finish(record);
}

void KXFontRowRoad::downloadTTFPath(const Ref<String>& path)
{
    if (!isEmpty(path))
        environment_.makeFontsCore()->activeFontsBypath(path, {}, {});
}
