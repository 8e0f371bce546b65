#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

class SQDatabaseQueue;

// Where an index is read from: the catalogue's queue, and the generation its manager had when
// the read began.
struct KXSuggestionSource {
    std::shared_ptr<SQDatabaseQueue> queue;
    unsigned long long generation = 0;
};

// The texts the type-ahead searches, copied out of the catalogue once: the keywords of fp_keyword
// and the font names of fp_fonts, each table in rowid order in one buffer. A query is a byte
// substring scan (memmem) over an ASCII-lower-cased copy of the buffer, which gives exactly the
// rows, in the same order, that the catalogue's "instr(lower(column), lower(?)) > 0" searches
// give (LIKE '%text%' without wildcards): only ASCII letters fold, "%", "_", "\", quotes and NUL
// bytes are plain characters, "" matches every text, and NULL texts never match. The typed text
// never reaches SQL.
//
// An index is immutable once built and tagged with the manager's generation at the start of the
// build; KXSuggestionIndexCache replaces it when the catalogue has changed since.
//
// Thread-safety: an index may be read from any number of threads.
class KXSuggestionIndex {
public:
    // One table's texts.
    class Column {
    public:
        std::size_t count() const { return rowids_.size(); }
        // The text that is matched (the keyword, the font name).
        std::string_view text(std::size_t entry) const;
        // The name a suggestion row shows: the record's fontname (for a keyword row with a font
        // name or a font id of 1 or more, that one; else the keyword).
        std::string_view name(std::size_t entry) const;
        long long rowid(std::size_t entry) const { return rowids_[entry]; }
        // The row's fontid (0 for keyword rows that have none).
        int fontid(std::size_t entry) const { return fontids_[entry]; }

        // The entries whose text contains `needle` (ASCII case-blind), in rowid order.
        std::vector<std::uint32_t> find(std::string_view needle) const;

        // Building: texts are added in rowid order.
        void add(long long rowid, int fontid, std::string_view text, std::string_view name);
        void finish();
        std::size_t bytes() const;

    private:
        std::string texts_;   // the texts, each followed by a NUL
        std::string folded_;  // the same with A-Z lower-cased
        std::vector<std::uint32_t> starts_; // where each text starts; one more: the buffer's end
        std::vector<long long> rowids_;
        std::vector<int> fontids_;
        // Display names that differ from their text (rare: keyword rows named by a font).
        std::vector<std::pair<std::uint32_t, std::string>> names_;
    };

    // Reads both tables through the source's queue. A table that cannot be read (a catalogue
    // without fp_keyword, say) is empty, and so is every table without a queue; readDamaged()
    // says whether SQLite found the file damaged on the way.
    static std::shared_ptr<const KXSuggestionIndex> build(const KXSuggestionSource& source);

    unsigned long long generation() const { return generation_; }
    const Column& keywords() const { return keywords_; }
    const Column& fontnames() const { return fontnames_; }
    bool readDamaged() const { return readDamaged_; }
    // Memory held by the texts and their tables.
    std::size_t bytes() const { return keywords_.bytes() + fontnames_.bytes(); }

    // ASCII lower-casing, as SQLite's LIKE folds.
    static std::string foldASCII(std::string_view text);

private:
    unsigned long long generation_ = 0;
    bool readDamaged_ = false;
    Column keywords_;
    Column fontnames_;
};

// The suggestions of one typed text: the keyword rows containing it or, when there are none, the
// fonts whose name contains it. Keeps its index alive, so names stay valid.
struct KXSuggestionMatches {
    enum class Table { Keywords, Fontnames };

    std::shared_ptr<const KXSuggestionIndex> index;
    Table table = Table::Keywords;
    std::vector<std::uint32_t> entries;

    std::size_t count() const { return entries.size(); }
    const KXSuggestionIndex::Column* column() const;
    std::string_view name(std::size_t row) const { return column()->name(entries[row]); }
    long long rowid(std::size_t row) const { return column()->rowid(entries[row]); }
    int fontid(std::size_t row) const { return column()->fontid(entries[row]); }
};

// The index of one catalogue manager, rebuilt on the first use after the manager's generation
// moved (a merge committed, the file swapped). Thread-safe: a caller that finds the index stale
// builds the new one while others wait for it.
class KXSuggestionIndexCache {
public:
    std::shared_ptr<const KXSuggestionIndex> current(const KXSuggestionSource& source);
    // How many indexes were built (tests).
    unsigned long long builds() const;

private:
    mutable std::mutex mutex_;
    std::shared_ptr<const KXSuggestionIndex> index_;
    unsigned long long builds_ = 0;
};
