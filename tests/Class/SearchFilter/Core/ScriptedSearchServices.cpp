#include "ScriptedSearchServices.h"

#include "Platform/Foundation/Foundation.h"
#include "Support/TempHome.h"

#include <cstdlib>

using foundation::Id;
namespace fs = std::filesystem;

std::vector<std::string> historyTexts(const fs::path& file)
{
    std::vector<std::string> texts;
    const auto entries = KXSearchHistory::read(file);
    for (const Id& entry : *entries)
        texts.push_back(entry.stringValue());
    return texts;
}

fs::path ScriptedSearchServices::sampleCatalogue()
{
    const char* resources = std::getenv("CORVANE_RESOURCE_DIR");
    const fs::path copy = testsupport::makeScratchDir("search-catalogue") / "fonts.sqlite";
    fs::copy_file(fs::path(resources ? resources : "resources") / "fonts.sqlite", copy);
    return copy;
}

ScriptedSearchServices::ScriptedSearchServices(const fs::path& catalogue)
    : manager_(std::make_unique<KXBaseDBManager>(catalogue))
    , catalogue_(standard(manager_.get()))
{
}

KXSuggestionMatches ScriptedSearchServices::suggestions(std::string_view text)
{
    std::unique_lock lock(mutex_);
    entered_ += 1;
    changed_.notify_all();
    changed_.wait(lock, [this] { return !held_; });
    lock.unlock();
    return catalogue_->suggestions(text);
}

void ScriptedSearchServices::answer(std::size_t i, const std::string& fids, long long errcode)
{
    auto data = foundation::MutableDictionary::create();
    if (errcode == 0)
        data->setObject(Id(fids), Id("fids"));
    requests.at(i).reply(Id(foundation::Dictionary::create(
        {{Id("errcode"), Id(errcode)}, {Id("message"), Id("服务器错误")}, {Id("corvane_data"), Id(data)}})));
}

void ScriptedSearchServices::hold()
{
    std::lock_guard lock(mutex_);
    held_ = true;
}

void ScriptedSearchServices::release()
{
    std::lock_guard lock(mutex_);
    held_ = false;
    changed_.notify_all();
}

void ScriptedSearchServices::waitUntilEntered(int count)
{
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return entered_ >= count; });
}
