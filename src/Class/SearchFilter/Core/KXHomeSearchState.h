#pragma once

#include "Class/FontList/Core/KXListReload.h"
#include "Class/SearchFilter/Core/KXSearchHistory.h"
#include "Class/ServiceCore/Catalogue/KXFontBaseModel.h"
#include "Class/ServiceCore/Catalogue/KXSuggestionIndex.h"
#include "Platform/Dispatch/Queue.h"
#include "Platform/Foundation/Array.h"
#include "Platform/Foundation/Object.h"

#include <atomic>
#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class KXBaseDBManager;

// What the search panel reaches outside itself: the service's search and the local catalogue.
// The real one (standard()) sends getSearch through KXHTTPBUSINESS and reads the shared catalogue
// (or the manager it is given); tests give their own.
class KXHomeSearchServices {
public:
    using Reply = std::function<void(const foundation::Id& reply)>;

    virtual ~KXHomeSearchServices() = default;
    // getSearch with the text. `reply` gets every decoded reply on the main queue, whatever its
    // errcode; a transport failure calls nothing.
    virtual void search(const std::string& text, Reply reply) = 0;
    // The catalogue the font rows are read from: the records of the service's ids in its order
    // (ids not in the catalogue skipped), or the whole catalogue in its default order.
    virtual KXBaseDBManager& catalogue() = 0;
    // The type-ahead (any thread): the keyword rows holding the text, else the fonts whose name
    // holds it; and the records of some of them.
    virtual KXSuggestionMatches suggestions(std::string_view text) = 0;
    virtual foundation::Ref<foundation::MutableArray> suggestionRecords(const KXSuggestionMatches& matches, std::size_t first,
                                                                        std::size_t count) = 0;
    // The module label of the next client-error reports.
    virtual void setCurrentModule(const std::string& label) { (void)label; }

    // The service and the shared catalogue (or `manager`'s).
    static std::shared_ptr<KXHomeSearchServices> standard(KXBaseDBManager* manager = nullptr);
};

// Told by the search state when what the panel shows must change. Each method does nothing unless
// implemented; held weakly.
class KXHomeSearchStateDelegate {
public:
    virtual ~KXHomeSearchStateDelegate() = default;
    // Rows, title, notice or buttons changed: show them again.
    virtual void searchStateDidChange() { }
    // The rest of the font rows came: `rows` go below records(). A panel whose model holds
    // records() appends them through that model, so that its view learns of them and keeps what
    // it shows where it is, and answers true; otherwise the state appends them itself.
    virtual bool searchStateAppendRows(const foundation::Array& rows)
    {
        (void)rows;
        return false;
    }
    // A reply put a text into the search field (the field's own edits do not come back here).
    virtual void searchStateDidSetFieldText(const std::string& text) { (void)text; }
};

// The search panel without its widgets: the four states of its table, the section title and the
// buttons, the history and its file, the type-ahead and the server's replies.
//
//   state        resultMode  suggestMode  rows                        row    title
//   History      NO          NO           the history's strings      text   "历史记录"
//   Suggestions  NO          YES          suggestions (names)         text   "搜索建议"
//   Results      YES         either       records of the server's ids font   "搜索字体"
//   No result    YES         either       the whole catalogue         font   "推荐字体", notice shown
//
// (The panel's road policy gives the heights of the two kinds of rows.)
//
// The mode flags belong to each panel, not to the process. Every search request and every
// type-ahead query takes a number from one sequence; a reply or a result is applied only when
// nothing newer has been applied, so an older one never replaces a newer one. A suggestion click
// sends the suggestion's search and the typed text's; the suggestion's reply (errcode 0) decides
// what the click shows, whichever comes first, and shows its fonts as font rows. Type-ahead queries
// run one at a time on a queue of their own, and one already overtaken by a newer keystroke is
// skipped. Once the panel is closed (close() or removed()) nothing more is applied.
//
// Font rows are read as the lists read theirs (KXListReload): the first rows at once, with a walk
// bounded in its steps, and the rest on a background queue, matched to the rows shown by font id and
// appended below them when it lands. Until then the rows are those found so far (maybe none while
// the first walk was cut short): isReadingRows() says that more are coming, and nothing the state
// shows claims that there are no more. A newer search, the type-ahead or closing the panel drops
// the rest still to come.
//
// Use it from the main thread; the services' callbacks come there.
class KXHomeSearchState : public std::enable_shared_from_this<KXHomeSearchState> {
public:
    static constexpr const char* kTitleHistory = "历史记录";
    static constexpr const char* kTitleSuggestions = "搜索建议";
    static constexpr const char* kTitleResults = "搜索字体";
    static constexpr const char* kTitleRecommended = "推荐字体";
    static constexpr const char* kModule = "字体搜索";
    // Records read with each type-ahead result; the others are read when a row asks.
    static constexpr std::size_t kPrefetchedRecords = 40;

    enum class Mode { History, Suggestions, Results, NoResult };
    // Where the section title sits: under the field, or under the no-result notice.
    enum class TitlePlace { UnderField, UnderNotice };

    // Builds the panel's state: the mode flags off, the module label "字体搜索", the history read
    // from its file and shown.
    static std::shared_ptr<KXHomeSearchState> create(std::shared_ptr<KXHomeSearchServices> services,
                                                      std::filesystem::path historyFile = KXSearchHistory::defaultFile());
    KXHomeSearchState(std::shared_ptr<KXHomeSearchServices> services, std::filesystem::path historyFile);
    ~KXHomeSearchState();
    KXHomeSearchState(const KXHomeSearchState&) = delete;
    KXHomeSearchState& operator=(const KXHomeSearchState&) = delete;

    std::shared_ptr<KXHomeSearchStateDelegate> delegate() const { return delegate_.lock(); }
    void setDelegate(const std::shared_ptr<KXHomeSearchStateDelegate>& delegate) { delegate_ = delegate; }

    // --- What the panel shows ---
    bool resultMode() const { return resultMode_; }
    bool suggestMode() const { return suggestMode_; }
    Mode mode() const;
    const std::string& title() const { return title_; }
    TitlePlace titlePlace() const { return titlePlace_; }
    bool isNoticeShown() const { return noticeShown_; }
    bool isClearButtonShown() const { return clearButtonShown_; }
    bool isSearchButtonShown() const { return !fieldText_.empty(); }
    const std::string& fieldText() const { return fieldText_; }
    bool isClosed() const { return closed_; }

    // The rows: font rows while resultMode is YES, text rows otherwise.
    std::size_t rowCount() const;
    // A text row's text: the history string, or the suggestion's name.
    std::string textAt(std::size_t row) const;
    // The record of a row: a font row's, or a suggestion's (read on first use); nil for history.
    foundation::Ref<KXFontBaseModel> recordAt(std::size_t row);
    // The font rows' records (nil while the rows are not records).
    const foundation::Ref<foundation::MutableArray>& records() const { return groupArray_; }
    // True while the font rows shown are the first of a read whose rest is still to come.
    bool isReadingRows() const { return reload_->readingRest(); }
    // The rows read at once before the rest (tests and benchmarks set fewer).
    void setFirstRows(std::size_t rows) { reload_->setFirstRows(rows); }
    // The suggestions of the index while they are the rows.
    const std::optional<KXSuggestionMatches>& matches() const { return matches_; }
    const KXSearchHistory& history() const { return history_; }

    // --- What the user does ---
    // The field's text changed (typing, pasting, erasing): the search button follows, and the
    // type-ahead runs with the text.
    void fieldTextDidChange(const std::string& text);
    // Enter, the search button: searches the field's text (nothing for an empty text).
    void jumpListView();
    // A click on a row (nothing for a row out of range, or while font rows show).
    void tableViewCellClick(long long row);
    // "清除记录": an empty history, written.
    void clearBtnClick();
    // The close button: the flags off, a non-empty history written; the panel goes.
    void cancelBtnClick();
    // The owner took the panel away (a tab switch): a non-empty history is written as well.
    void removedByOwner();

    // The sequence numbers of the newest request or keystroke and of the newest result applied.
    unsigned long long requestedSequence() const { return sequence_; }
    unsigned long long appliedSequence() const { return applied_; }
    // Type-ahead queries started and skipped (tests and benchmarks).
    unsigned long long suggestionQueriesRun() const { return suggestionQueriesRun_->load(); }

private:
    struct SuggestionResult;
    void searchFontsWithKeyWord(const std::string& text);
    void applySuggestions(unsigned long long sequence, SuggestionResult result);
    void applySearchReply(unsigned long long sequence, const foundation::Id& reply);
    void applySuggestionReply(unsigned long long decidesAs, const std::string& name, const foundation::Id& reply);
    bool accepts(unsigned long long sequence);
    void setFieldText(const std::string& text);
    void showRecords(foundation::Ref<foundation::MutableArray> records);
    void setRows(foundation::Ref<foundation::MutableArray> records);
    // Reads the records of the service's ids in their order, in parts.
    void readRecordsOfIds(std::string_view ids);
    void restArrived(const KXListReload::Rest& rest);
    void changed();
    void writeHistoryIfAny();

    std::shared_ptr<KXHomeSearchServices> services_;
    std::weak_ptr<KXHomeSearchStateDelegate> delegate_;
    KXSearchHistory history_;
    dispatch::QueueRef suggestionQueue_;

    bool resultMode_ = false;
    bool suggestMode_ = false;
    std::string title_ = kTitleHistory;
    TitlePlace titlePlace_ = TitlePlace::UnderField;
    bool noticeShown_ = false;
    bool clearButtonShown_ = true;
    std::string fieldText_;
    bool closed_ = false;

    // groupArray: history strings or records; or the index's suggestions with the records read
    // so far.
    foundation::Ref<foundation::MutableArray> groupArray_;
    std::optional<KXSuggestionMatches> matches_;
    // The read of the font rows shown; superseded whenever other rows show.
    std::shared_ptr<KXListReload> reload_;
    std::vector<foundation::Ref<KXFontBaseModel>> matchRecords_;

    unsigned long long sequence_ = 0;
    unsigned long long applied_ = 0;
    // The typed text's search of the suggestion click whose own reply was applied: its reply is
    // dropped.
    unsigned long long overriddenSearch_ = 0;
    std::shared_ptr<std::atomic<unsigned long long>> newestKeystroke_;
    std::shared_ptr<std::atomic<unsigned long long>> suggestionQueriesRun_;
};
