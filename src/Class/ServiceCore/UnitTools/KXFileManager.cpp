#include "Class/ServiceCore/UnitTools/KXFileManager.h"

#include "Class/ServiceCore/UnitTools/KXStateFile.h"
#include "Class/ServiceCore/UnitTools/KXTransformer.h"
#include "Lib/ImageLoading/ILMemoryPolicy.h"
#include "Platform/Dispatch/Queue.h"
#include "Platform/Foundation/FileError.h"
#include "Platform/Foundation/Format.h"
#include "Platform/Foundation/PrivateFiles.h"
#include "Platform/Serialization/PropertyListSerialization.h"
#include "Platform/Storage/Paths.h"

#include <cstddef>
#include <filesystem>
#include <mutex>
#include <system_error>
#include <unordered_map>
#include <vector>

using foundation::Id;
using foundation::Ref;
using foundation::String;
namespace fs = std::filesystem;

namespace {

fs::path dataFolder()
{
    return foundation::Paths::cacheDirectory() / "kxData";
}

fs::path plistPath(const Ref<String>& key)
{
    return dataFolder() / (key->utf8() + ".plsit");
}

Ref<foundation::Error> errorFrom(const std::error_code& code, const fs::path& path)
{
    return foundation::fileWriteError(path, code.value());
}

// State files are the user's own: others may not read them (the session record holds its token).
bool writeStateFile(const fs::path& path, const foundation::Data& data)
{
    return foundation::PrivateFiles::writeFile(path, data.span());
}

void writePropertyList(const Id& list, const fs::path& path)
{
    auto data = foundation::PropertyListSerialization::dataWithPropertyList(list, foundation::PropertyListXMLFormat_v1_0);
    if (!data)
        return;
    writeStateFile(path, *data);
}

// Returns the size of the archive made, written or not.
std::size_t writeArchive(const Id& dictionary, const Ref<String>& path)
{
    auto data = KXTransformer::sharedKXTransformer().returnDataWithDictionary(dictionary);
    if (!data)
        return 0;
    writeStateFile(path->utf8(), *data);
    return data->length();
}

// From this size of archive, the value written was large enough (a reply of tens of thousands of
// records, kept on disk) that its space and its archiving's, let go once written, go back to the
// system rather than stay free in the heap: the value is often the last copy of a reply whose
// other holders let go before the write ends (48,000 tags left 150 MB resident).
constexpr std::size_t kLargeArchiveBytes = 512 * 1024;

// One serial queue per archive file, so that a large archive being written holds up only what
// comes after it in its own file. Queues stay for the life of the process: there are a handful
// of keys.
class BackgroundWrites {
public:
    static BackgroundWrites& shared()
    {
        // Never destroyed: a write may still be running while the process exits.
        static BackgroundWrites* const writes = new BackgroundWrites();
        return *writes;
    }

    dispatch::QueueRef queue(const std::string& path)
    {
        std::lock_guard lock(mutex_);
        return slot(path).queue;
    }

    void write(const Id& dictionary, const Ref<String>& path)
    {
        dispatch::QueueRef queue;
        {
            std::lock_guard lock(mutex_);
            Slot& pending = slot(path->utf8());
            ++pending.count;
            queue = pending.queue;
        }
        queue->async([this, dictionary = Id(dictionary), path]() mutable {
            const std::size_t written = writeArchive(dictionary, path);
            dictionary = Id();
            if (written >= kLargeArchiveBytes)
                ILReturnFreeMemory();
            std::lock_guard lock(mutex_);
            --slots_[path->utf8()].count;
        });
    }

    // Waits for the writes of `path` asked for so far; of every file for an empty path.
    void wait(const std::string& path)
    {
        std::vector<dispatch::QueueRef> queues;
        {
            std::lock_guard lock(mutex_);
            for (const auto& [slotPath, pending] : slots_) {
                if (pending.count != 0 && (path.empty() || slotPath == path))
                    queues.push_back(pending.queue);
            }
        }
        for (const auto& queue : queues) {
            if (!queue->isCurrent())
                queue->sync([] {});
        }
    }

private:
    struct Slot {
        dispatch::QueueRef queue;
        std::size_t count = 0;
    };

    Slot& slot(const std::string& path)
    {
        Slot& found = slots_[path];
        if (!found.queue)
            found.queue = dispatch::makeSerialQueue("com.corvane.state-files.write." + fs::path(path).filename().string(),
                                                    dispatch::Priority::Low);
        return found;
    }

    std::mutex mutex_;
    std::unordered_map<std::string, Slot> slots_;
};

void waitForWrites(const Ref<String>& path)
{
    if (path)
        BackgroundWrites::shared().wait(path->utf8());
}

Id readPropertyList(const fs::path& path)
{
    auto data = KXStateFile::read(path);
    if (!data)
        return {};
    // Immutable, so that references repeated in a binary list share one object instead of
    // multiplying into copies.
    Id list = foundation::PropertyListSerialization::propertyListWithData(data, foundation::PropertyListImmutable);
    if (list.isNil())
        KXStateFile::setAside(path);
    return list;
}

} // namespace

KXFileManager& KXFileManager::sharedKXFileManager()
{
    static KXFileManager instance;
    return instance;
}

Ref<String> KXFileManager::pathForDocumentWithComponent(const Ref<String>& key) const
{
    if (!key || key->utf8().empty())
        return nullptr;
    fs::path folder = dataFolder() / key->utf8();
    std::error_code error;
    if (!fs::exists(folder, error)) {
        // Once more; the outcome shows when the file is written.
        if (!foundation::PrivateFiles::createFolder(folder, error))
            foundation::PrivateFiles::createFolder(folder, error);
    }
    return String::create((folder / key->utf8()).string());
}

void KXFileManager::writeEncryptDataWithDictionary(const Id& dictionary, const Ref<String>& key) const
{
    auto path = pathForDocumentWithComponent(key);
    if (!path)
        return;
    waitForWrites(path);
    writeArchive(dictionary, path);
}

dispatch::QueueRef KXFileManager::backgroundWriteQueue(const Ref<String>& key) const
{
    auto path = pathForDocumentWithComponent(key);
    return path ? BackgroundWrites::shared().queue(path->utf8()) : nullptr;
}

void KXFileManager::writeEncryptDataInBackground(const Id& dictionary, const Ref<String>& key) const
{
    if (auto path = pathForDocumentWithComponent(key))
        BackgroundWrites::shared().write(dictionary, path);
}

void KXFileManager::waitForBackgroundWrites() const
{
    BackgroundWrites::shared().wait({});
}

Id KXFileManager::returnDecryptDataByPathKey(const Ref<String>& key) const
{
    auto path = pathForDocumentWithComponent(key);
    waitForWrites(path);
    if (!path || !isExistsAtPath(path))
        return {};
    auto data = KXStateFile::read(path->utf8());
    if (!data)
        return {};
    Id value = KXTransformer::sharedKXTransformer().returnDictionaryWithData(data);
    if (value.isNil()) {
        // Not an archive of ours: kept aside for a look, and the key starts afresh.
        KXStateFile::setAside(path->utf8());
        return {};
    }
    return isExistsAtPath(path) ? value : Id();
}

void KXFileManager::removeFileByPathkey(const Ref<String>& key) const
{
    auto path = pathForDocumentWithComponent(key);
    if (!path)
        return;
    waitForWrites(path);
    std::error_code ignored;
    fs::remove(path->utf8(), ignored);
}

void KXFileManager::writeToPlistWithDictionary(const Ref<foundation::Dictionary>& dictionary, const Ref<String>& key) const
{
    if (dictionary && key)
        writePropertyList(dictionary, plistPath(key));
}

void KXFileManager::writeToPlistWithArray(const Ref<foundation::Array>& array, const Ref<String>& key) const
{
    if (array && key)
        writePropertyList(array, plistPath(key));
}

Ref<foundation::Dictionary> KXFileManager::getDicByPlist(const Ref<String>& key) const
{
    return key ? readPropertyList(plistPath(key)).as<foundation::Dictionary>() : nullptr;
}

Ref<foundation::Array> KXFileManager::getArrayByPlist(const Ref<String>& key) const
{
    return key ? readPropertyList(plistPath(key)).as<foundation::Array>() : nullptr;
}

void KXFileManager::removeAllFiles() const
{
    std::error_code ignored;
    fs::remove(foundation::Paths::cacheDirectory() / "kxData.plsit", ignored);
}

bool KXFileManager::copyItemAtPath(const Ref<String>& source, const Ref<String>& target, bool overwrite,
                                   Ref<foundation::Error>* error) const
{
    if (!source || !isExistsAtPath(source)) {
        if (error) {
            std::string path = source ? source->utf8() : std::string("(null)");
            auto info = foundation::Dictionary::create(
                {{Id(foundation::NSLocalizedDescriptionKey), Id("非法的源文件路径")},
                 {Id(foundation::NSLocalizedFailureReasonErrorKey),
                  Id(foundation::format("源文件路径%@不存在，请检查源文件路径", path))}});
            *error = foundation::Error::errorWithDomain("非法的源文件路径", 0, info);
        }
        return false;
    }
    if (!target)
        return false;
    auto folder = directoryAtPath(target);
    if (!isExistsAtPath(folder) && !createDirectoryAtPath(folder, error))
        return false;
    if (overwrite && isExistsAtPath(target) && !removeItemAtPath(target, error))
        return false;
    std::error_code code;
    fs::copy(source->utf8(), target->utf8(), fs::copy_options::recursive, code);
    if (code) {
        if (error)
            *error = errorFrom(code, target->utf8());
        return false;
    }
    return true;
}

bool KXFileManager::removeItemAtPath(const Ref<String>& path, Ref<foundation::Error>* error) const
{
    std::error_code code;
    if (!path || fs::remove_all(path->utf8(), code) == 0 || code) {
        if (error)
            *error = foundation::fileWriteError(path ? path->utf8() : std::string(), code ? code.value() : ENOENT);
        return false;
    }
    return true;
}

bool KXFileManager::createDirectoryAtPath(const Ref<String>& path, Ref<foundation::Error>* error) const
{
    std::error_code code;
    if (!path)
        return false;
    foundation::PrivateFiles::createFolder(path->utf8(), code);
    if (code || !fs::is_directory(path->utf8())) {
        if (error)
            *error = errorFrom(code ? code : std::make_error_code(std::errc::not_a_directory), path->utf8());
        return false;
    }
    return true;
}

bool KXFileManager::isExistsAtPath(const Ref<String>& path) const
{
    std::error_code ignored;
    return path && fs::exists(fs::symlink_status(path->utf8(), ignored));
}

Ref<String> KXFileManager::directoryAtPath(const Ref<String>& path) const
{
    return path ? path->stringByDeletingLastPathComponent() : nullptr;
}

bool KXFileManager::isExistFontsAtPath(const Ref<String>& path) const
{
    if (!isExistsAtPath(path))
        return false;
    std::string extension = path->pathExtension()->lowercaseString()->utf8();
    return extension == "ttf" || extension == "otf" || extension == "ttc" || extension == "otc";
}
