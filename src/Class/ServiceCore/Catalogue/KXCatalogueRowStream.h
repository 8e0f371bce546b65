#pragma once

#include "Platform/Foundation/Object.h"

#include <cstddef>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

// The rows of a partial package's fonts.txt (a JSON array) read one element at a time from the
// file, so that what a text holds never becomes more than one element in memory: the file is read
// in small blocks, each element's text is found by its brackets and strings and parsed alone. An
// element that is not a dictionary is answered as such without building it.
//
// The text as a whole is checked as it goes: a malformed array, an element over kMaximumRowBytes
// or an element JSON refuses ends the stream with Malformed, which the caller takes for a broken
// package (whatever it merged so far is rolled back). One thread at a time.
class KXCatalogueRowStream {
public:
    // A real row is a few hundred bytes; one this large is no row.
    static constexpr std::size_t kMaximumRowBytes = std::size_t{1} << 20;

    enum class Status { Row, NotADictionary, End, Malformed, Unreadable };

    // Opens the file; status() says Unreadable when it cannot be read.
    explicit KXCatalogueRowStream(const std::filesystem::path& file);
    // Reads from text already in memory (tests, and texts that are not files).
    explicit KXCatalogueRowStream(std::string text);
    ~KXCatalogueRowStream();
    KXCatalogueRowStream(const KXCatalogueRowStream&) = delete;
    KXCatalogueRowStream& operator=(const KXCatalogueRowStream&) = delete;

    // The next element: Row with the dictionary in `row` (mutable containers), NotADictionary for
    // an element of another kind (`row` nil), or the end: End after the closing bracket and only
    // white space after it, Malformed or Unreadable otherwise. Once ended it stays so.
    Status next(foundation::Id& row);
    // What was wrong, for Malformed and Unreadable.
    const std::string& problem() const { return problem_; }
    // Elements read so far.
    std::size_t elements() const { return elements_; }

private:
    bool fill();
    // The next byte that is not white space, without taking it; -1 at the end of the text.
    int peekSignificant();
    Status fail(Status status, std::string problem);

    std::FILE* file_ = nullptr;
    std::string buffer_;
    std::size_t position_ = 0;
    bool eof_ = false;
    bool opened_ = false; // the "[" was read
    bool ended_ = false;
    Status endStatus_ = Status::End;
    std::size_t elements_ = 0;
    std::string element_;
    std::string problem_;
};
