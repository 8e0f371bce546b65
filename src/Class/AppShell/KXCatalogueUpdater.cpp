#include "Class/AppShell/KXCatalogueUpdater.h"

#include "Class/ServiceCore/Catalogue/KXBaseDBManager.h"
#include "Class/ServiceCore/Catalogue/KXCatalogueFile.h"
#include "Class/ServiceCore/Transport/KXGlobalDataBase.h"
#include "Class/ServiceCore/Transport/KXHTTPREQUEST.h"
#include "Lib/ImageLoading/ILMemoryPolicy.h"
#include "Lib/ZipArchive/ZipArchive.h"
#include "Platform/Dispatch/Clock.h"
#include "Platform/Dispatch/Queue.h"
#include "Platform/Foundation/Array.h"
#include "Platform/Foundation/Data.h"
#include "Platform/Foundation/FileError.h"
#include "Platform/Foundation/Format.h"
#include "Platform/Foundation/PrivateFiles.h"
#include "Platform/Foundation/String.h"
#include "Platform/Serialization/JSONSerialization.h"
#include "Platform/Storage/Paths.h"
#include "Platform/Storage/UserDefaults.h"

#include <algorithm>
#include <cstdio>
#include <sys/stat.h>

namespace fs = std::filesystem;
using foundation::Id;
using foundation::Ref;

// One update: the pending pair as it stood when the job began, and where the job works.
struct KXCatalogueUpdater::Job {
    Ref<foundation::Dictionary> pending;
    bool partial = false;
    std::string url;
    std::shared_ptr<KXHTTPREQUEST> request;
    KXBaseDBManager* database = nullptr;
    std::uint64_t maximumFontsTextBytes = 0;
    fs::path archive;
    fs::path workFolder; // removed when the job ends
    bool broken = false; // the package itself is at fault
    std::function<void(bool)> done;
};

namespace {

fs::path updateRoot()
{
    return foundation::Paths::cacheDirectory() / "kxData" / "updataData";
}

std::string secondsStamp()
{
    return foundation::format("%0.f", dispatch::Clock::current()->secondsSince1970());
}

void logProblem(const std::string& problem)
{
    std::fprintf(stderr, "catalogue update: %s\n", problem.c_str());
}

} // namespace

bool KXCatalogueUpdater::unpackPackage(const fs::path& archive, const fs::path& destination,
    std::string* problem, std::uint64_t maximumEntryBytes, bool* broken, const std::string& onlyEntry,
    std::uint64_t maximumRatio)
{
    if (broken)
        *broken = false;
    Ref<foundation::Error> error;
    ZipOutputLimit limit;
    limit.maximumEntryBytes = maximumEntryBytes;
    if (maximumRatio != 0)
        limit.maximumRatio = maximumRatio;
    if (!onlyEntry.empty())
        limit.entryFilter = [onlyEntry](const std::string& name) { return name == onlyEntry; };
    const bool unpacked = ZipArchive::unzipFileAtPath(
        archive.string(), destination.string(), true, true, 0, "", &error, {}, {}, {}, limit);
    std::error_code ignored;
    fs::remove(archive, ignored);
    // The archive's modes are not kept: every file unpacked, also those a failed run left, is the
    // user's alone. Links are not followed.
    for (fs::recursive_directory_iterator it(destination, ignored), end; !ignored && it != end;
         it.increment(ignored)) {
        if (it->is_regular_file(ignored) && !it->is_symlink(ignored))
            ::chmod(it->path().c_str(), foundation::PrivateFiles::kFileMode);
    }
    if (!unpacked) {
        *problem = "the package could not be unpacked"
            + (error ? ": " + error->localizedDescription() : std::string());
        if (broken && error && error->domain() == ZipArchiveErrorDomain) {
            // What writing could not do is the disk's (tried again); the rest is the archive's. The
            // output limit counts the free space too: it is the archive's while the disk has room
            // for an entry as large as the limit allows.
            fs::path existing = destination;
            while (!existing.empty() && existing != existing.root_path() && !fs::exists(existing, ignored))
                existing = existing.parent_path();
            const auto space = fs::space(existing, ignored);
            const bool roomy = !ignored
                && space.available
                    > std::min<std::uint64_t>(maximumEntryBytes, ZipOutputLimit::kDefaultMaximumBytes);
            switch (error->code()) {
            case ZipArchiveErrorCodeFailedToWriteFile:
            case ZipArchiveErrorCodeInvalidArguments:
                break;
            case ZipArchiveErrorCodeOutputLimitExceeded:
                *broken = roomy;
                break;
            default:
                *broken = true;
                break;
            }
        }
    }
    return unpacked;
}

KXCatalogueUpdater& KXCatalogueUpdater::shared()
{
    static KXCatalogueUpdater updater;
    return updater;
}

KXCatalogueUpdater::KXCatalogueUpdater(KXBaseDBManager* database, std::uint64_t maximumFontsTextBytes)
    : database_(database)
    , maximumFontsTextBytes_(maximumFontsTextBytes)
{
}

fs::path KXCatalogueUpdater::pathForDocumentWithComponent(const std::string& component)
{
    if (component.empty())
        return foundation::Paths::cacheDirectory();
    const fs::path outer = updateRoot() / component;
    std::error_code error;
    // Tried once more, as a folder made meanwhile counts.
    if (!fs::is_directory(outer, error) && !foundation::PrivateFiles::createFolder(outer, error))
        foundation::PrivateFiles::createFolder(outer, error);
    return outer / component;
}

Id KXCatalogueUpdater::jsonToObject(const std::string& text)
{
    return foundation::JSONSerialization::JSONObjectWithData(
        foundation::Data::create(std::string_view(text)), foundation::JSONReadingMutableContainers);
}

std::string KXCatalogueUpdater::packageKey(const Ref<foundation::Dictionary>& pending)
{
    return Id(pending)["dataUrl"].stringValue() + '\n' + Id(pending)["data_version"].stringValue();
}

bool KXCatalogueUpdater::isPendingPackageBroken() const
{
    const auto pending = KXGlobalDataBase::sharedKXGlobalDataBase().updateDataDic();
    return pending && !brokenPackage_.empty() && packageKey(pending) == brokenPackage_;
}

bool KXCatalogueUpdater::updateAppData(std::function<void(bool)> done)
{
    auto& state = KXGlobalDataBase::sharedKXGlobalDataBase();
    state.setCurrentModule(foundation::String::create(""));
    auto pending = state.updateDataDic();
    if (!pending || running_)
        return false;
    // A package found broken is not fetched again until the service offers another.
    if (isPendingPackageBroken())
        return false;
    auto job = std::make_shared<Job>();
    job->pending = pending;
    job->partial = state.isPartialUpdate();
    job->url = Id(pending)["dataUrl"].stringValue();
    job->database = database_ ? database_ : &KXBaseDBManager::shareDBManager();
    job->maximumFontsTextBytes = maximumFontsTextBytes_;
    if (job->database->isReadOnly())
        return false; // the installed catalogue itself is read: nothing could be stored
    job->done = std::move(done);
    if (job->url.empty())
        return false;
    running_ = true;
    job->request = KXHTTPREQUEST::create();
    job->request->downloadWithUrl(
        job->url, nullptr,
        [this, job](const Ref<foundation::Dictionary>& reply) {
            const std::string path = Id(reply)["path"].stringValue();
            if (path.empty()) {
                finish(job, false);
                return;
            }
            job->archive = path;
            dispatch::globalQueue().async([this, job] {
                std::string problem;
                const bool applied = job->partial ? applyPartial(*job, &problem) : applyFull(*job, &problem);
                std::error_code ignored;
                fs::remove_all(job->workFolder, ignored);
                if (!applied)
                    logProblem(problem
                        + (job->broken ? " (the package is not fetched again until another is offered)"
                                       : ""));
                // What the merge or the unpacking held goes back to the system, not to the heap.
                ILReturnFreeMemory();
                dispatch::mainQueue().async([this, job, applied] { finish(job, applied); });
            });
        },
        [this, job](const Ref<foundation::Dictionary>& failure) {
            logProblem(KXHTTPREQUEST::isInsecureAddressRefusal(failure)
                    ? "the package address " + job->url + " is not secure and could not be fetched over https"
                    : "the package could not be downloaded: "
                        + Id(failure)[foundation::NSLocalizedDescriptionKey].stringValue());
            finish(job, false);
        });
    return true;
}

bool KXCatalogueUpdater::applyPartial(Job& job, std::string* problem)
{
    const std::string stamp = secondsStamp();
    const fs::path folder = pathForDocumentWithComponent(stamp);
    job.workFolder = folder.parent_path();
    // The text's size is held while unpacking, before it reaches the disk; it is then read as a
    // stream, so what it holds never comes into memory at once.
    if (!unpackPackage(job.archive, folder, problem, job.maximumFontsTextBytes, &job.broken, "fonts.txt"))
        return false;
    const fs::path text = folder / "fonts.txt";
    std::error_code error;
    if (!fs::is_regular_file(text, error)) {
        *problem = "the partial package has no fonts.txt";
        job.broken = true;
        return false;
    }
    std::string why;
    if (!job.database->updateDataWithFontsText(text, &why, &job.broken)) {
        *problem = "the merge of the partial package was rolled back: " + why;
        return false;
    }
    return true;
}

bool KXCatalogueUpdater::applyFull(Job& job, std::string* problem)
{
    const fs::path staging = updateRoot() / ("full-" + secondsStamp());
    job.workFolder = staging;
    std::error_code error;
    fs::remove_all(staging, error);
    foundation::PrivateFiles::createFolder(staging, error);
    // Only the catalogue itself is taken from a full package; other entries are skipped unread.
    const std::uint64_t packageBytes = fs::file_size(job.archive, error);
    const std::uint64_t ceiling = error
        ? kMaximumCatalogueBytes
        : ZipOutputLimit { kMaximumCatalogueBytes, kFullPackageRatio }.bytesFor(packageBytes);
    if (!unpackPackage(job.archive, staging, problem, ceiling, &job.broken, KXCatalogueFile::kFileName,
            kFullPackageRatio))
        return false;
    const fs::path candidate = staging / KXCatalogueFile::kFileName;
    if (!KXCatalogueFile::isCatalogue(candidate)) {
        *problem = "the full package holds no catalogue";
        job.broken = true;
        return false;
    }
    Ref<foundation::Error> replaceError;
    if (!job.database->replaceCatalogueWithFile(candidate, &replaceError)) {
        *problem = "the catalogue could not be replaced"
            + (replaceError ? ": " + replaceError->localizedDescription() : std::string());
        return false;
    }
    return true;
}

void KXCatalogueUpdater::finish(const std::shared_ptr<Job>& job, bool applied)
{
    auto& state = KXGlobalDataBase::sharedKXGlobalDataBase();
    if (!applied && job->broken)
        brokenPackage_ = packageKey(job->pending);
    // A newer pending package recorded meanwhile stays pending.
    auto current = state.updateDataDic();
    if (applied && current && current->isEqual(*job->pending)) {
        state.setUpdateDataDic(nullptr);
        const Id version = Id(job->pending)["data_version"];
        auto& defaults = foundation::UserDefaults::standardUserDefaults();
        defaults.setObject(version.string() ? version : Id(version.stringValue()), "dataVersion");
        defaults.synchronize();
        if (job->partial)
            state.setPartialUpdate(false);
    }
    // The transport object is let go on a later turn, not inside its own callback.
    dispatch::mainQueue().async([request = std::move(job->request)] {});
    running_ = false;
    if (job->done)
        job->done(applied);
}
