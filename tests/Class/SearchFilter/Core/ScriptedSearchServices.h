#pragma once

#include "Class/SearchFilter/Core/KXHomeSearchState.h"
#include "Class/ServiceCore/Catalogue/KXBaseDBManager.h"

#include <condition_variable>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

// The texts of a history file, in order.
std::vector<std::string> historyTexts(const std::filesystem::path& file);

// The search panel's services for tests: the catalogue through the real services on a catalogue of
// its own, the service's search replaced by requests the test answers, in any order. The services
// own their catalogue manager, so a type-ahead query still on its queue when a test ends keeps both
// alive. Type-ahead queries can be held inside the queue.
class ScriptedSearchServices final : public KXHomeSearchServices {
public:
    // A copy of the sample catalogue of the build (CORVANE_RESOURCE_DIR) in a scratch folder.
    static std::filesystem::path sampleCatalogue();

    explicit ScriptedSearchServices(const std::filesystem::path& catalogue);
    KXBaseDBManager& manager() { return *manager_; }

    struct Request {
        std::string text;
        Reply reply;
    };
    std::vector<Request> requests;
    std::string module;

    void search(const std::string& text, Reply reply) override { requests.push_back({text, std::move(reply)}); }
    KXBaseDBManager& catalogue() override { return *manager_; }
    KXSuggestionMatches suggestions(std::string_view text) override;
    foundation::Ref<foundation::MutableArray> suggestionRecords(const KXSuggestionMatches& matches, std::size_t first,
                                                                std::size_t count) override
    {
        return catalogue_->suggestionRecords(matches, first, count);
    }
    void setCurrentModule(const std::string& label) override { module = label; }

    // Answers request i with these ids (with an error code: no ids).
    void answer(std::size_t i, const std::string& fids, long long errcode = 0);

    // Type-ahead queries wait inside the queue until released.
    void hold();
    void release();
    void waitUntilEntered(int count);

private:
    std::unique_ptr<KXBaseDBManager> manager_;
    std::shared_ptr<KXHomeSearchServices> catalogue_;
    std::mutex mutex_;
    std::condition_variable changed_;
    bool held_ = false;
    int entered_ = 0;
};
