#include "Class/ServiceCore/Fonts/KXHomeLocalManager.h"

#include "Class/ServiceCore/Fonts/KXFontNameCache.h"
#include "Class/ServiceCore/Fonts/KXLocalFontIndex.h"
#include "Platform/Dispatch/Queue.h"
#include "Platform/Dispatch/detail/NoDestructor.h"
#include "Platform/Fonts/FontNames.h"
#include "Platform/Foundation/Dictionary.h"
#include "Platform/Foundation/String.h"
#include "Platform/Storage/Paths.h"

#include <atomic>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

using foundation::Id;
using foundation::Ref;

namespace {

constexpr std::size_t kMinimumEntries = 3;

using Folders = KXHomeLocalManager::Folders;
using Then = std::function<void(const Ref<foundation::Array>&)>;

std::string joinKey(const Folders& folders)
{
    return folders.user.string() + '\n' + folders.computer.string() + '\n' + folders.system.string();
}

Ref<foundation::Array> readList(const Folders& folders, const std::vector<std::string>& languages)
{
    auto& index = KXLocalFontIndex::shared();
    std::vector<Ref<foundation::Array>> parts{index.folder(folders.user, languages).records};
    if (auto computer = index.folder(folders.computer, languages); computer.entries >= kMinimumEntries)
        parts.push_back(computer.records);
    else if (auto system = index.folder(folders.system, languages); system.entries >= kMinimumEntries)
        parts.push_back(system.records);
    return index.joined(joinKey(folders), parts);
}

// The background reads: one at a time on a serial pool queue. A read that has not started yet
// takes the requests for the same folders made meanwhile; one that has started may have missed
// what changed since, so a later request waits for a read of its own.
class BackgroundReads {
public:
    static BackgroundReads& shared()
    {
        // Its queue's blocks may still run while the process exits.
        static dispatch::detail::NoDestructor<BackgroundReads> reads;
        return reads.get();
    }

    void request(const Folders& folders, std::vector<std::string> languages, Then then)
    {
        ++count_;
        const std::string key = joinKey(folders) + '\n' + joined(languages);
        {
            std::lock_guard lock(mutex_);
            for (auto& waiting : waiting_)
                if (waiting->key == key) {
                    waiting->thens.push_back(std::move(then));
                    return;
                }
            waiting_.push_back(std::make_shared<Waiting>(Waiting{key, folders, std::move(languages), {}}));
            waiting_.back()->thens.push_back(std::move(then));
        }
        queue_->async([this, key] { run(key); });
    }

    std::size_t count() const { return count_.load(); }

private:
    struct Waiting {
        std::string key;
        Folders folders;
        std::vector<std::string> languages;
        std::vector<Then> thens;
    };

    static std::string joined(const std::vector<std::string>& languages)
    {
        std::string text;
        for (const auto& language : languages)
            text += language + ',';
        return text;
    }

    void run(const std::string& key)
    {
        std::shared_ptr<Waiting> read;
        {
            std::lock_guard lock(mutex_);
            for (auto it = waiting_.begin(); it != waiting_.end(); ++it)
                if ((*it)->key == key) {
                    read = *it;
                    waiting_.erase(it);
                    break;
                }
        }
        if (!read)
            return; // an earlier block of the queue took these requests
        const auto list = readList(read->folders, read->languages);
        for (auto& then : read->thens) {
            then(list);
            --count_;
        }
    }

    dispatch::QueueRef queue_ = dispatch::makeSerialQueue("local fonts");
    std::mutex mutex_; // guards waiting_
    std::vector<std::shared_ptr<Waiting>> waiting_;
    std::atomic<std::size_t> count_{0};
};

} // namespace

KXHomeLocalManager::Folders KXHomeLocalManager::systemFolders()
{
    return {foundation::Paths::userFontsDirectory(), "/usr/local/share/fonts", "/usr/share/fonts"};
}

KXHomeLocalManager::KXHomeLocalManager()
    : KXHomeLocalManager(systemFolders())
{
}

KXHomeLocalManager::KXHomeLocalManager(Folders folders, KXFontNameCache* nameCache)
    : folders_(std::move(folders))
    , nameCache_(nameCache)
{
}

KXHomeLocalManager::~KXHomeLocalManager() = default;

Ref<foundation::Array> KXHomeLocalManager::keptLocalFonts()
{
    return readList(folders_, fonts::FontNameReader::preferredLanguages());
}

void KXHomeLocalManager::readLocalFontsInBackground(Then then)
{
    BackgroundReads::shared().request(folders_, fonts::FontNameReader::preferredLanguages(), std::move(then));
}

std::size_t KXHomeLocalManager::backgroundReads()
{
    return BackgroundReads::shared().count();
}

Ref<foundation::MutableArray> KXHomeLocalManager::localFontsArray()
{
    auto list = foundation::MutableArray::create(keptLocalFonts()->objects());
    localFontsArray_ = list;
    return list;
}

Ref<foundation::MutableArray> KXHomeLocalManager::recentLocalFontsArray()
{
    auto& cache = nameCache_ ? *nameCache_ : KXFontNameCache::shared();
    auto list = foundation::MutableArray::create();
    const auto entries = cache.entries();
    for (const auto& element : *entries) {
        auto dictionary = element.as<foundation::Dictionary>();
        if (dictionary && !dictionary->empty() && dictionary->entries().front().value)
            list->addObject(dictionary->entries().front().value);
    }
    recentLocalFontsArray_ = list;
    return list;
}
