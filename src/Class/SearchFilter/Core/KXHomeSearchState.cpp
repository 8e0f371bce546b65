#include "Class/SearchFilter/Core/KXHomeSearchState.h"

#include "Class/ServiceCore/Catalogue/KXBaseDBManager.h"
#include "Class/ServiceCore/Catalogue/KXSearchData.h"
#include "Class/ServiceCore/Catalogue/KXSortingData.h"
#include "Class/ServiceCore/Transport/KXGlobalDataBase.h"
#include "Class/ServiceCore/Transport/KXHTTPBUSINESS.h"
#include "Platform/Foundation/String.h"

#include <algorithm>

using foundation::Id;
using foundation::MutableArray;
using foundation::Ref;

namespace {

class StandardServices final : public KXHomeSearchServices {
public:
    explicit StandardServices(KXBaseDBManager& manager)
        : manager_(manager)
    {
    }

    void search(const std::string& text, Reply reply) override
    {
        KXHTTPBUSINESS business;
        business.GetFontidsByParticipleword(Id(text), [reply](const Id& answer) { reply(answer); }, [](const Ref<foundation::Error>&) { });
    }
    KXBaseDBManager& catalogue() override { return manager_; }
    KXSuggestionMatches suggestions(std::string_view text) override { return KXSearchData(manager_).suggestionsByText(text); }
    Ref<MutableArray> suggestionRecords(const KXSuggestionMatches& matches, std::size_t first, std::size_t count) override
    {
        return KXSearchData(manager_).recordsOfSuggestions(matches, first, count);
    }
    void setCurrentModule(const std::string& label) override
    {
        KXGlobalDataBase::sharedKXGlobalDataBase().setCurrentModule(foundation::String::create(label));
    }

private:
    KXBaseDBManager& manager_;
};

} // namespace

std::shared_ptr<KXHomeSearchServices> KXHomeSearchServices::standard(KXBaseDBManager* manager)
{
    return std::make_shared<StandardServices>(manager ? *manager : KXBaseDBManager::shareDBManager());
}

struct KXHomeSearchState::SuggestionResult {
    KXSuggestionMatches matches;
    Ref<MutableArray> firstRecords;
};

std::shared_ptr<KXHomeSearchState> KXHomeSearchState::create(std::shared_ptr<KXHomeSearchServices> services,
                                                             std::filesystem::path historyFile)
{
    auto state = std::make_shared<KXHomeSearchState>(std::move(services), std::move(historyFile));
    state->services_->setCurrentModule(kModule);
    return state;
}

KXHomeSearchState::KXHomeSearchState(std::shared_ptr<KXHomeSearchServices> services, std::filesystem::path historyFile)
    : services_(std::move(services))
    , history_(std::move(historyFile))
    , suggestionQueue_(dispatch::makeSerialQueue("corvane.search.suggestions", dispatch::Priority::High))
    , groupArray_(history_.entries())
    , newestKeystroke_(std::make_shared<std::atomic<unsigned long long>>(0))
    , suggestionQueriesRun_(std::make_shared<std::atomic<unsigned long long>>(0))
{
    reload_ = KXListReload::create(services_->catalogue());
    // The reload is this state's own and hands over its rest only while it lives.
    reload_->setRestHandler([this](const KXListReload::Rest& rest) { restArrived(rest); });
}

KXHomeSearchState::~KXHomeSearchState() = default;

KXHomeSearchState::Mode KXHomeSearchState::mode() const
{
    if (resultMode_)
        return noticeShown_ ? Mode::NoResult : Mode::Results;
    return suggestMode_ ? Mode::Suggestions : Mode::History;
}

std::size_t KXHomeSearchState::rowCount() const
{
    if (matches_)
        return matches_->count();
    return groupArray_ ? groupArray_->count() : 0;
}

std::string KXHomeSearchState::textAt(std::size_t row) const
{
    if (row >= rowCount())
        return {};
    if (matches_)
        return std::string(matches_->name(row));
    const Id element = groupArray_->objectAtIndex(row);
    if (const auto record = element.as<KXFontBaseModel>())
        return record->fontname ? record->fontname->utf8() : std::string();
    return element.stringValue();
}

Ref<KXFontBaseModel> KXHomeSearchState::recordAt(std::size_t row)
{
    if (row >= rowCount())
        return nullptr;
    if (!matches_)
        return groupArray_->objectAtIndex(row).as<KXFontBaseModel>();
    if (row < matchRecords_.size() && matchRecords_[row])
        return matchRecords_[row];
    // A batch from this row on, so a scroll through the suggestions reads once per page.
    const auto records = services_->suggestionRecords(*matches_, row, kPrefetchedRecords);
    if (!records || records->count() == 0)
        return nullptr;
    matchRecords_.resize(std::max(matchRecords_.size(), row + records->count()));
    for (std::size_t i = 0; i < records->count(); ++i)
        matchRecords_[row + i] = records->objectAtIndex(i).as<KXFontBaseModel>();
    return matchRecords_[row];
}

void KXHomeSearchState::fieldTextDidChange(const std::string& text)
{
    if (closed_)
        return;
    fieldText_ = text;
    searchFontsWithKeyWord(text);
}

void KXHomeSearchState::searchFontsWithKeyWord(const std::string& text)
{
    const unsigned long long sequence = ++sequence_;
    newestKeystroke_->store(sequence);
    const std::weak_ptr<KXHomeSearchState> weak = weak_from_this();
    suggestionQueue_->async([weak, services = services_, text, sequence, newest = newestKeystroke_, runs = suggestionQueriesRun_] {
        // A newer keystroke is already queued: its query answers instead.
        if (newest->load() != sequence)
            return;
        runs->fetch_add(1);
        SuggestionResult result{services->suggestions(text), nullptr};
        result.firstRecords = services->suggestionRecords(result.matches, 0, kPrefetchedRecords);
        dispatch::mainQueue().async([weak, sequence, result = std::move(result)]() mutable {
            if (const auto self = weak.lock())
                self->applySuggestions(sequence, std::move(result));
        });
    });
}

bool KXHomeSearchState::accepts(unsigned long long sequence)
{
    if (closed_ || sequence < applied_)
        return false;
    applied_ = sequence;
    return true;
}

void KXHomeSearchState::applySuggestions(unsigned long long sequence, SuggestionResult result)
{
    if (!accepts(sequence))
        return;
    const bool found = result.matches.count() > 0;
    if (resultMode_ && found) {
        resultMode_ = false;
        noticeShown_ = false;
        titlePlace_ = TitlePlace::UnderField;
    }
    if (resultMode_) {
        // Nothing found while font rows show: they stay font rows, none of them.
        showRecords(MutableArray::create());
    } else {
        reload_->supersede();
        matchRecords_.clear();
        if (result.firstRecords) {
            for (const Id& record : *result.firstRecords)
                matchRecords_.push_back(record.as<KXFontBaseModel>());
        }
        matches_ = std::move(result.matches);
        groupArray_ = nullptr;
    }
    suggestMode_ = true;
    title_ = kTitleSuggestions;
    clearButtonShown_ = false;
    changed();
}

void KXHomeSearchState::jumpListView()
{
    if (closed_ || fieldText_.empty())
        return;
    const std::string text = fieldText_;
    history_.add(text);
    clearButtonShown_ = false;
    const unsigned long long sequence = ++sequence_;
    const std::weak_ptr<KXHomeSearchState> weak = weak_from_this();
    services_->search(text, [weak, sequence](const Id& reply) {
        if (const auto self = weak.lock())
            self->applySearchReply(sequence, reply);
    });
    changed();
}

void KXHomeSearchState::showRecords(Ref<MutableArray> records)
{
    reload_->supersede();
    setRows(std::move(records));
}

void KXHomeSearchState::setRows(Ref<MutableArray> records)
{
    matches_.reset();
    matchRecords_.clear();
    groupArray_ = records ? std::move(records) : MutableArray::create();
}

void KXHomeSearchState::readRecordsOfIds(std::string_view ids)
{
    const std::vector<long long> list = KXCatalogueStatement::parseIdList(ids);
    if (list.empty()) {
        showRecords(MutableArray::create());
        return;
    }
    const KXCatalogueStatement whole = KXCatalogueStatement::fontsInIdOrder(list);
    const std::size_t first = reload_->firstRows();
    // Fewer ids than first rows: fewer rows than asked for come, and the read knows it has all.
    if (list.size() < first) {
        setRows(reload_->start(whole));
        return;
    }
    // A long list: its first ids alone give the first rows, without SQLite reading every id first.
    const std::vector<long long> leading(list.begin(), list.begin() + static_cast<std::ptrdiff_t>(first));
    setRows(reload_->start(KXCatalogueStatement::fontsInIdOrder(leading), whole));
}

void KXHomeSearchState::restArrived(const KXListReload::Rest& rest)
{
    if (closed_ || !resultMode_ || matches_)
        return;
    if (rest.following) {
        const auto observer = delegate();
        if (!observer || !observer->searchStateAppendRows(*rest.following))
            groupArray_->addObjectsFromArray(*rest.following);
        return;
    }
    // The catalogue changed meanwhile: the whole list in place of the rows; or the read failed:
    // the rows found stay, and nothing more is coming.
    if (rest.replacement)
        setRows(rest.replacement);
    changed();
}

void KXHomeSearchState::applySearchReply(unsigned long long sequence, const Id& reply)
{
    // The typed text's search of a suggestion click whose own reply is already shown.
    if (sequence == overriddenSearch_)
        return;
    if (!accepts(sequence))
        return;
    const std::string fids = reply["corvane_data"]["fids"].stringValue();
    if (!fids.empty()) {
        noticeShown_ = false;
        titlePlace_ = TitlePlace::UnderField;
        readRecordsOfIds(fids);
        title_ = kTitleResults;
    } else {
        noticeShown_ = true;
        titlePlace_ = TitlePlace::UnderNotice;
        title_ = kTitleRecommended;
        setRows(reload_->start(KXSortingData::defaultOrderStatement()));
    }
    resultMode_ = true;
    changed();
}

void KXHomeSearchState::tableViewCellClick(long long row)
{
    if (closed_ || resultMode_ || row < 0 || static_cast<std::size_t>(row) >= rowCount())
        return;
    const std::string text = textAt(static_cast<std::size_t>(row));
    if (!suggestMode_) {
        setFieldText(text);
        jumpListView();
        return;
    }
    // The suggestion's own search, and at once the search of the text typed (none for an empty
    // field). The typed search takes the number after the suggestion's; the suggestion's reply is
    // judged by that number, so it wins over the typed text's reply of the same click in either
    // order.
    const unsigned long long suggestion = ++sequence_;
    const unsigned long long decidesAs = fieldText_.empty() ? suggestion : suggestion + 1;
    const std::weak_ptr<KXHomeSearchState> weak = weak_from_this();
    services_->search(text, [weak, decidesAs, text](const Id& reply) {
        if (const auto self = weak.lock())
            self->applySuggestionReply(decidesAs, text, reply);
    });
    jumpListView();
}

void KXHomeSearchState::applySuggestionReply(unsigned long long decidesAs, const std::string& name, const Id& reply)
{
    if (reply["errcode"].isNil() || reply["errcode"].integerValue() != 0)
        return;
    // Replaces the typed text's reply of the same click if that came first; anything applied after
    // the click (a keystroke, another search) stays.
    if (!accepts(decidesAs))
        return;
    overriddenSearch_ = decidesAs;
    readRecordsOfIds(reply["corvane_data"]["fids"].stringValue());
    setFieldText(name);
    noticeShown_ = false;
    titlePlace_ = TitlePlace::UnderField;
    // Font rows, as after Enter: the typed text's reply no longer sets the mode after this one.
    resultMode_ = true;
    suggestMode_ = true;
    title_ = kTitleSuggestions;
    changed();
}

void KXHomeSearchState::setFieldText(const std::string& text)
{
    fieldText_ = text;
    if (const auto observer = delegate())
        observer->searchStateDidSetFieldText(text);
}

void KXHomeSearchState::clearBtnClick()
{
    if (closed_)
        return;
    history_.clear();
    history_.write();
    showRecords(history_.entries());
    changed();
}

void KXHomeSearchState::writeHistoryIfAny()
{
    if (!history_.isEmpty())
        history_.write();
}

void KXHomeSearchState::cancelBtnClick()
{
    if (closed_)
        return;
    suggestMode_ = false;
    resultMode_ = false;
    writeHistoryIfAny();
    closed_ = true;
    reload_->supersede();
}

void KXHomeSearchState::removedByOwner()
{
    if (closed_)
        return;
    writeHistoryIfAny();
    closed_ = true;
    reload_->supersede();
}

void KXHomeSearchState::changed()
{
    if (const auto observer = delegate())
        observer->searchStateDidChange();
}
