#pragma once

#include "Class/ServiceCore/Catalogue/KXCatalogueStatement.h"
#include "Platform/Foundation/Array.h"

#include <atomic>
#include <cstddef>
#include <functional>
#include <memory>
#include <vector>

class KXBaseDBManager;

// A list's reloads from the catalogue in two parts, so that a reload of a long list shows its
// first rows at once: start() reads the first rows of the statement (SQLite keeps only those of
// its ordering) and returns them to show; when there may be more, the whole list is read on a
// background queue and what follows the rows shown is handed to the rest handler on the main
// queue, to be appended below them. Nothing shown is given again and nothing is left out: the
// rest is matched to the rows shown by font id, so rows that tie on every key of the ordering
// and came in another order in the whole list are neither repeated nor lost. When the catalogue
// changed between the two reads, the handler gets the whole list to show in place of the rows.
//
// Each start() is a new generation: it ends the read of the one before, whose rest is dropped,
// as supersede() does when the list shows rows of another kind. The read behind a reload holds
// the reload weakly, stops soon after it was superseded, and lands only on the main queue and
// only for the current generation.
//
// Main thread only (start, supersede, the handler); the read runs on a background queue of the
// dispatch layer through the catalogue manager, which waits for it before it ends.
class KXListReload : public std::enable_shared_from_this<KXListReload> {
public:
    // The first rows of a reload: a few screens even at the smallest row height on a tall screen.
    static constexpr std::size_t kFirstRows = 200;

    // What the rest of a reload brings to the rows its start gave.
    struct Rest {
        // The rows that follow those shown, in the list's order: to be appended.
        foundation::Ref<foundation::MutableArray> following;
        // Set instead of `following` when the catalogue changed since the first rows were read:
        // the whole list, to be shown in place of the rows.
        foundation::Ref<foundation::MutableArray> replacement;
        // Neither is set when the rest could not be read: the rows shown stay as they are, and
        // nothing more comes.
        bool failed() const { return !following && !replacement; }
    };
    using RestHandler = std::function<void(const Rest& rest)>;

    static std::shared_ptr<KXListReload> create(KXBaseDBManager& manager, std::size_t firstRows = kFirstRows);
    ~KXListReload();
    KXListReload(const KXListReload&) = delete;
    KXListReload& operator=(const KXListReload&) = delete;

    void setRestHandler(RestHandler handler) { restHandler_ = std::move(handler); }
    std::size_t firstRows() const { return firstRows_; }
    // From the next start() on (at least 1).
    void setFirstRows(std::size_t rows) { firstRows_ = rows > 0 ? rows : 1; }

    // A new reload of `statement` (a statement with an ORDER BY and without a LIMIT): supersedes
    // the one under way, reads and returns its first rows (all of them when the list is short or
    // was read ahead), and starts reading the rest when there may be more.
    foundation::Ref<foundation::MutableArray> start(const KXCatalogueStatement& statement);
    // The same for a list whose first rows another statement reads more cheaply: `first` gives
    // the first rows `whole` gives, in the same order (the rows of a list's first ids). Its rows
    // are never taken for the whole list: the rest is always read.
    foundation::Ref<foundation::MutableArray> start(
        const KXCatalogueStatement& first, const KXCatalogueStatement& whole);
    // The list shows other rows now: the rest still to come is dropped and its read stops.
    void supersede();
    // True from a start() whose rest is to come until it was handed over or superseded.
    bool readingRest() const { return readingRest_; }
    unsigned long long generation() const { return generation_; }

    // The rows of `whole` that are not among `shown` (font ids, as many times as listed), in
    // `whole`'s order; nil when some shown font is not in `whole`.
    static foundation::Ref<foundation::MutableArray> following(
        const std::vector<long long>& shown, const foundation::Array& whole);

private:
    KXListReload(KXBaseDBManager& manager, std::size_t firstRows);
    foundation::Ref<foundation::MutableArray> start(
        const KXCatalogueStatement& first, const KXCatalogueStatement& whole, bool mayBeComplete);
    void land(unsigned long long generation, const foundation::Ref<foundation::MutableArray>& whole,
        unsigned long long catalogueGeneration);

    KXBaseDBManager& manager_;
    std::size_t firstRows_;
    RestHandler restHandler_;
    unsigned long long generation_ = 0;
    bool readingRest_ = false;
    // The font ids of the rows the current reload's start gave, and the catalogue they came from.
    std::vector<long long> shown_;
    unsigned long long shownCatalogue_ = 0;
    // Set to end the current read; each read has its own.
    std::shared_ptr<std::atomic<bool>> stopRead_;
};
