#pragma once

#include "Platform/Foundation/Error.h"

#include <filesystem>
#include <string>

// Where the catalogue file lives and how it is put in place. The installed catalogue (the
// resource folder's fonts.sqlite) is read-only, so the client works on a copy in its data folder;
// a stamp beside the copy records which installed file it was made from, so that a newer
// installed catalogue replaces it. Every file is written beside its destination and renamed into
// place, so a failure leaves the previous file.
//
// Thread-safety: the functions may be called from any thread; making the copy is serialized
// within the process.
class KXCatalogueFile {
public:
    static constexpr const char* kFileName = "fonts.sqlite";

    // <resources>/fonts.sqlite
    static std::filesystem::path bundledPath();
    // <data folder>/fonts.sqlite
    static std::filesystem::path writablePath();

    // Makes the writable copy from the installed file when there is no copy yet or when the
    // installed file is not the one the copy was made from. Answers the writable path; false in
    // `copied` when nothing had to be copied or the copy failed (logged; the old copy stays).
    static std::filesystem::path prepareWritableCopy(bool* copied = nullptr);

    // Why `file` cannot serve as the catalogue, or "" when it can: it must open as an SQLite
    // database, pass SQLite's integrity check, and hold the tables fp_fonts, fp_keyword and
    // fp_vip_rule with every column the client reads or writes (further columns are welcome).
    static std::string catalogueDefect(const std::filesystem::path& file);
    // The checks of catalogueDefect cheap enough for every start, without the integrity check:
    // `file` is a regular file, SQLite can open it, and it holds the table fp_fonts. A file that is
    // busy or cannot be read for a passing reason has no defect here: it is not damaged.
    static std::string quickDefect(const std::filesystem::path& file);
    static bool isCatalogue(const std::filesystem::path& file) { return catalogueDefect(file).empty(); }
    // Moves `source` over `destination` (a copy beside it and a rename when they are on different
    // file systems) and removes the rollback journal and write-ahead files of the old file, which
    // would otherwise be applied to the new one.
    static bool moveIntoPlace(const std::filesystem::path& source, const std::filesystem::path& destination,
        foundation::Ref<foundation::Error>* error = nullptr);
    // A fresh copy of the installed catalogue beside the writable copy, under a temporary name,
    // for KXBaseDBManager::replaceCatalogueWithFile; an empty path (and the reason) when it fails.
    static std::filesystem::path copyOfBundledBesideWritable(foundation::Ref<foundation::Error>* error = nullptr);
    // Whether an SQLite result code says the file's pages make no sense (SQLITE_CORRUPT,
    // SQLITE_NOTADB): damage that no retry will mend.
    static bool isDamageCode(int code);
    // Keeps the bytes of a damaged catalogue as "<file>.damaged", replacing an older one, while
    // `file` itself stays in place. What can be neither linked nor copied (a folder, a file the
    // user cannot read) is moved there instead, never removed; an older one that is a folder with
    // something inside moves on to the first free "<file>.damaged.<n>", whole. No other name is
    // left behind.
    static constexpr const char* kDamagedSuffix = ".damaged";
    static bool keepDamaged(const std::filesystem::path& file, foundation::Ref<foundation::Error>* error = nullptr);
};
