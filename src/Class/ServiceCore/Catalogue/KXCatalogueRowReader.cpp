#include "Class/ServiceCore/Catalogue/KXCatalogueRowReader.h"

#include "Class/ServiceCore/Catalogue/KXCatalogueLog.h"
#include "Class/ServiceCore/Transport/KXHTTPBUSINESS.h"
#include "Lib/SQLKit/SQResultSet.h"
#include "Lib/SQLKit/SQStatement.h"
#include "Platform/Dispatch/Queue.h"
#include "Platform/Foundation/Format.h"

#include <sqlite3.h>

#include <algorithm>
#include <cctype>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <vector>

using foundation::Id;
using foundation::MutableArray;
using foundation::Ref;
using foundation::String;

namespace {

bool sameName(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
    });
}

} // namespace

int KXCatalogueRowReader::columnIndex(const SQResultSet& rows, std::string_view name)
{
    const int count = rows.columnCount();
    for (int i = 0; i < count; ++i) {
        const Ref<String> column = rows.columnNameForIndex(i);
        if (column && sameName(column->utf8(), name))
            return i;
    }
    return -1;
}

std::string KXCatalogueRowReader::rewriteURLs(std::string_view text, std::string_view base)
{
    if (base.empty())
        return std::string(text);
    return rewriteURLs(text, base, escapedURL(kPlaceholderBase), escapedURL(base));
}

std::string KXCatalogueRowReader::escapedURL(std::string_view plain)
{
    std::string out;
    out.reserve(plain.size() + 8);
    for (char c : plain) {
        if (c == '/')
            out += '\\';
        out += c;
    }
    return out;
}

std::string KXCatalogueRowReader::rewriteURLs(std::string_view text, std::string_view base, std::string_view escapedPlaceholder,
                                              std::string_view escapedBase)
{
    // One pass: at each position the plain or the escaped placeholder, whichever comes first.
    std::string result;
    result.reserve(text.size() + (base.size() > kPlaceholderBase.size() ? 2 * (base.size() - kPlaceholderBase.size()) : 0));
    std::size_t from = 0;
    for (;;) {
        const std::size_t plain = text.find(kPlaceholderBase, from);
        const std::size_t escaped = text.find(escapedPlaceholder, from);
        const std::size_t at = std::min(plain, escaped);
        if (at == std::string_view::npos)
            break;
        result.append(text.substr(from, at - from));
        if (at == plain) {
            result.append(base);
            from = at + kPlaceholderBase.size();
        } else {
            result.append(escapedBase);
            from = at + escapedPlaceholder.size();
        }
    }
    result.append(text.substr(from));
    return result;
}

KXCatalogueRowReader::KXCatalogueRowReader(SQResultSet& rows)
    : KXCatalogueRowReader(rows, KXHTTPBUSINESS::apiBaseURL())
{
}

KXCatalogueRowReader::KXCatalogueRowReader(SQResultSet& rows, std::string urlBase)
    : rows_(rows)
    , handle_(rows.statement() ? rows.statement()->statement() : nullptr)
    , urlBase_(std::move(urlBase))
    , escapedPlaceholder_(escapedURL(kPlaceholderBase))
    , escapedURLBase_(escapedURL(urlBase_))
{
    // By TextField and NumberField.
    static constexpr std::array<std::string_view, kTextColumns> textNames
        = {"download_url", "fontname", "night_image", "ps_name", "language", "image", "marketing", "new_image", "keyword"};
    static constexpr std::array<std::string_view, kNumberColumns> numberNames
        = {"fontid", "time", "heat", "has_info", "font_weight", "is_sell", "type", "is_3d"};
    for (std::size_t field = 0; field < kTextColumns; ++field) {
        texts_[field].index = columnIndex(rows, textNames[field]);
        texts_[field].holdsURLs = field == DownloadUrl || field == NightImage || field == Image || field == NewImage;
    }
    for (std::size_t field = 0; field < kNumberColumns; ++field)
        numbers_[field] = columnIndex(rows, numberNames[field]);
}

KXCatalogueRowReader::~KXCatalogueRowReader() = default;

// The values of up to kBatchRows rows: per row, kTextColumns (offset, size) pairs into `bytes`
// (size kNull for NULL) and kNumberColumns integers.
struct KXCatalogueRowReader::Batch {
    static constexpr std::uint32_t kNull = UINT32_MAX;
    std::vector<std::uint32_t> texts;
    std::vector<int> numbers;
    std::string bytes;
    std::size_t rows = 0;
};

// The batches between the two stages. The record maker is started on the pool when the first
// batch is full; whichever side claims the work first makes every record, so that a pool too busy
// to start the maker in time cannot hold the read up: the statement's side then makes them itself.
struct KXCatalogueRowReader::Handoff {
    enum class Owner { Nobody, Maker, Reader };
    std::mutex lock;
    std::condition_variable changed;
    std::deque<std::unique_ptr<Batch>> ready;
    bool reading = true;
    bool made = false;
    std::exception_ptr failure; // what stopped the maker, given to the reader's caller
    Owner owner = Owner::Nobody;
};

void KXCatalogueRowReader::copyRow(Batch& batch) const
{
    for (const TextColumn& column : texts_) {
        const unsigned char* bytes = column.index < 0 ? nullptr : sqlite3_column_text(handle_, column.index);
        if (!bytes) {
            batch.texts.push_back(0);
            batch.texts.push_back(Batch::kNull);
            continue;
        }
        const auto size = static_cast<std::size_t>(sqlite3_column_bytes(handle_, column.index));
        batch.texts.push_back(static_cast<std::uint32_t>(batch.bytes.size()));
        batch.texts.push_back(static_cast<std::uint32_t>(size));
        batch.bytes.append(reinterpret_cast<const char*>(bytes), size);
    }
    for (int column : numbers_)
        batch.numbers.push_back(column < 0 ? 0 : sqlite3_column_int(handle_, column));
    batch.rows += 1;
}

Ref<String> KXCatalogueRowReader::columnText(const TextColumn& column, std::string_view value) const
{
    if (column.holdsURLs && !urlBase_.empty() && value.find("corvane.invalid") != std::string_view::npos)
        return String::create(rewriteURLs(value, urlBase_, escapedPlaceholder_, escapedURLBase_));
    return SQResultSet::stringWithColumnBytes(value);
}

Ref<String> KXCatalogueRowReader::text(TextColumn& column, const char* bytes, std::size_t size)
{
    const std::string_view value(bytes, size);
    if (!column.sharing)
        return columnText(column, value);
    if (const auto known = column.seen.find(value); known != column.seen.end())
        return known->second;
    Ref<String> made = columnText(column, value);
    if (column.seen.size() < kMaxSharedValues) {
        column.seen.emplace(std::string(value), made);
    } else {
        column.sharing = false;
        column.seen.clear();
    }
    return made;
}

void KXCatalogueRowReader::makeRecords(const Batch& batch, MutableArray& records)
{
    for (std::size_t row = 0; row < batch.rows; ++row) {
        const std::uint32_t* spans = batch.texts.data() + row * kTextColumns * 2;
        const int* numbers = batch.numbers.data() + row * kNumberColumns;
        auto textAt = [&](TextField which) -> Ref<String> {
            const std::uint32_t offset = spans[which * 2], size = spans[which * 2 + 1];
            if (size == Batch::kNull)
                return nullptr;
            return text(texts_[which], batch.bytes.data() + offset, size);
        };
        auto font = std::make_shared<KXFontBaseModel>();
        font->download_url = textAt(DownloadUrl);
        font->fontname = textAt(Fontname);
        font->night_image = textAt(NightImage);
        font->ps_name = textAt(PsName);
        font->language = textAt(Language);
        font->image = textAt(Image);
        font->marketing = textAt(Marketing);
        font->isnew_imgage = textAt(NewImage);
        font->fontid = numbers[Fontid];
        font->time = numbers[Time];
        font->heat = numbers[Heat];
        font->has_info = numbers[HasInfo];
        font->font_weight = numbers[FontWeight];
        // The record's is_sell is 64-bit, the column is read as 32-bit: negative values stay negative.
        font->is_sell = static_cast<long long>(numbers[IsSell]);
        font->type = numbers[Type];
        // The flag is a byte wide: only the low byte of the stored number counts.
        font->is_3d = (static_cast<unsigned>(numbers[Is3d]) & 0xFFu) != 0;
        if ((!font->fontname || font->fontname->utf8().empty()) && font->fontid < 1)
            font->fontname = textAt(Keyword);
        records.addObject(Id(std::move(font)));
    }
}

Ref<MutableArray> KXCatalogueRowReader::fontRecords(const std::function<bool()>& stopped)
{
    auto records = MutableArray::create();
    if (!handle_)
        return records;
    auto handoff = std::make_shared<Handoff>();
    auto newBatch = [] {
        auto batch = std::make_unique<Batch>();
        batch->texts.reserve(kBatchRows * kTextColumns * 2);
        batch->numbers.reserve(kBatchRows * kNumberColumns);
        batch->bytes.reserve(kBatchRows * 256);
        return batch;
    };
    auto batch = newBatch();
    bool makerStarted = false;
    // Asked every few rows: a read that is no longer wanted leaves the queue free soon.
    constexpr std::size_t kRowsBetweenStops = 64;
    std::size_t sinceStop = 0;
    bool failed = false;
    // Stepped here rather than through the result set: a stop this read asked for ends the
    // statement with SQLITE_INTERRUPT, which is the read's own outcome and no error to report.
    for (;;) {
        const int rc = sqlite3_step(handle_);
        if (rc != SQLITE_ROW) {
            if (rc != SQLITE_DONE && !(rc == SQLITE_INTERRUPT && stopped && stopped())) {
                failed = true;
                kxcatalogue::log(foundation::format("the catalogue's rows could not be read (%d: %s)", rc,
                    sqlite3_errmsg(sqlite3_db_handle(handle_))));
            }
            rows_.close();
            break;
        }
        if (stopped && ++sinceStop == kRowsBetweenStops) {
            sinceStop = 0;
            if (stopped())
                break;
        }
        copyRow(*batch);
        if (batch->rows < kBatchRows)
            continue;
        {
            std::lock_guard guard(handoff->lock);
            handoff->ready.push_back(std::move(batch));
        }
        handoff->changed.notify_all();
        batch = newBatch();
        if (makerStarted)
            continue;
        makerStarted = true;
        // The maker holds the hand-off; it uses the reader and the records only once it has claimed
        // the work, and then this call waits for it below.
        dispatch::globalQueue(dispatch::Priority::High).async([this, handoff, records] {
            {
                std::lock_guard guard(handoff->lock);
                if (handoff->owner != Handoff::Owner::Nobody)
                    return;
                handoff->owner = Handoff::Owner::Maker;
            }
            std::exception_ptr failure;
            try {
                for (;;) {
                    std::unique_ptr<Batch> next;
                    {
                        std::unique_lock guard(handoff->lock);
                        handoff->changed.wait(guard, [&] { return !handoff->ready.empty() || !handoff->reading; });
                        if (handoff->ready.empty())
                            break;
                        next = std::move(handoff->ready.front());
                        handoff->ready.pop_front();
                    }
                    makeRecords(*next, *records);
                }
            } catch (...) {
                failure = std::current_exception();
            }
            {
                std::lock_guard guard(handoff->lock);
                handoff->made = true;
                handoff->failure = failure;
            }
            handoff->changed.notify_all();
        });
    }
    if (batch->rows > 0) {
        std::lock_guard guard(handoff->lock);
        handoff->ready.push_back(std::move(batch));
    }
    std::unique_lock guard(handoff->lock);
    handoff->reading = false;
    if (handoff->owner == Handoff::Owner::Nobody)
        handoff->owner = Handoff::Owner::Reader;
    if (handoff->owner == Handoff::Owner::Maker) {
        handoff->changed.notify_all();
        handoff->changed.wait(guard, [&] { return handoff->made; });
        if (handoff->failure)
            std::rethrow_exception(handoff->failure);
        return failed ? nullptr : records;
    }
    // Nobody else touches the batches now.
    auto batches = std::move(handoff->ready);
    guard.unlock();
    if (failed)
        return nullptr;
    for (const auto& ready : batches)
        makeRecords(*ready, *records);
    return records;
}
