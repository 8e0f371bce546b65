#include "Class/ServiceCore/Catalogue/KXCatalogueFile.h"

#include "Class/ServiceCore/Catalogue/KXCatalogueLog.h"
#include "Lib/SQLKit/SQDatabase.h"
#include "Lib/SQLKit/SQResultSet.h"
#include "Platform/Foundation/FileError.h"
#include "Platform/Foundation/Format.h"
#include "Platform/Foundation/NewFiles.h"
#include "Platform/Foundation/PrivateFiles.h"
#include "Platform/Storage/Paths.h"

#include <cerrno>
#include <fstream>
#include <mutex>
#include <set>
#include <sstream>
#include <system_error>
#include <vector>

#include <sqlite3.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

constexpr int kOpenReadOnly = 1; // SQLITE_OPEN_READONLY

// The tables and columns the client reads or writes: the row mapping, the orderings and filters,
// the merge, the keyword suggestions and the VIP rules.
struct RequiredTable {
    const char* name;
    std::vector<const char*> columns;
};
const std::vector<RequiredTable> kRequiredColumns = {
    {"fp_fonts",
     {"fontid", "fontname", "image", "night_image", "download_url", "time", "heat", "ps_name", "font_weight", "type", "language",
      "tags", "show_img", "codeid", "default_sort", "partner_id", "ser_name_take", "m_made_time", "font_en_name", "new_image",
      "is_sell", "has_info", "is_3d", "marketing", "keyword", "font_info"}},
    {"fp_keyword", {"keyword"}},
    {"fp_vip_rule", {"vip_type", "rule", "content"}},
};

// Which installed file a copy was made from: its size and modification time.
std::string stampOf(const fs::path& file)
{
    std::error_code ec;
    const auto size = fs::file_size(file, ec);
    if (ec)
        return {};
    const auto modified = fs::last_write_time(file, ec);
    if (ec)
        return {};
    return std::to_string(size) + " " + std::to_string(modified.time_since_epoch().count()) + "\n";
}

std::string readText(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return in ? text.str() : std::string();
}

// "<destination>.tmp-<pid>-<number>", the number one no one can guess; the start-up sweep knows
// the shape.
fs::path temporaryBeside(const fs::path& destination, std::uint64_t number = foundation::NewFiles::randomNumber())
{
    fs::path temporary = destination;
    temporary += ".tmp-" + std::to_string(getpid()) + "-" + std::to_string(number);
    return temporary;
}

void removeSideFiles(const fs::path& database)
{
    std::error_code ignored;
    for (const char* suffix : {"-journal", "-wal", "-shm"}) {
        fs::path side = database;
        side += suffix;
        fs::remove(side, ignored);
    }
}

void copyPrivately(const fs::path& source, const fs::path& copy, std::error_code& ec)
{
    fs::copy_file(source, copy, fs::copy_options::overwrite_existing, ec);
    // The copy would keep the installed file's mode, open to all.
    foundation::PrivateFiles::restrictFile(copy);
}

// Copies `source` into a file beside `destination` that this call makes (a name already taken,
// by a link or anything else, is left alone and another is tried), the user's alone. Answers the
// copy, or an empty path with nothing left behind.
fs::path copyToNewFileBeside(const fs::path& source, const fs::path& destination, std::error_code& ec)
{
    fs::path copy;
    ec = foundation::NewFiles::copyToNewFile(
        source, [&](std::uint64_t number) { return temporaryBeside(destination, number); }, foundation::PrivateFiles::kFileMode, copy);
    return copy;
}

// Removes what was written under `temporary` and reports `ec`, the failure of the copy or the
// rename, not that of the clean-up.
bool giveUp(const fs::path& temporary, const fs::path& target, const std::error_code& ec, foundation::Ref<foundation::Error>* error)
{
    std::error_code ignored;
    fs::remove(temporary, ignored);
    if (error)
        *error = foundation::fileWriteError(target, ec.value() ? ec.value() : EIO);
    return false;
}

// The first "<aside>.<n>" that names nothing (or cannot be looked at: the rename onto it says why).
fs::path freeNumberedName(const fs::path& aside)
{
    for (unsigned number = 1;; ++number) {
        fs::path candidate = aside;
        candidate += "." + std::to_string(number);
        std::error_code ec;
        const auto status = fs::symlink_status(candidate, ec);
        if (ec || !fs::exists(status))
            return candidate;
    }
}

bool isNotEmpty(const std::error_code& ec)
{
    return ec == std::errc::directory_not_empty || ec == std::errc::file_exists;
}

// Renames `from` to `aside`, where an older damaged copy may lie: a rename replaces a file by a
// file, and an empty folder by a folder; an older one of another kind gives way first. An older
// folder with something inside was the catalogue's place taken by something of the user's and
// moved there whole: it moves on to a free numbered name, never removed with what is inside.
void renameAside(const fs::path& from, const fs::path& aside, std::error_code& ec)
{
    fs::rename(from, aside, ec);
    if (ec != std::errc::is_a_directory && ec != std::errc::not_a_directory && !isNotEmpty(ec))
        return;
    fs::remove(aside, ec);
    if (isNotEmpty(ec))
        fs::rename(aside, freeNumberedName(aside), ec);
    if (!ec)
        fs::rename(from, aside, ec);
}

bool copyBeside(const fs::path& source, const fs::path& destination, foundation::Ref<foundation::Error>* error)
{
    std::error_code ec;
    const fs::path temporary = copyToNewFileBeside(source, destination, ec);
    if (temporary.empty()) {
        if (error)
            *error = foundation::fileWriteError(destination, ec.value() ? ec.value() : EIO);
        return false;
    }
    removeSideFiles(destination);
    fs::rename(temporary, destination, ec);
    return ec ? giveUp(temporary, destination, ec, error) : true;
}

} // namespace

fs::path KXCatalogueFile::bundledPath()
{
    return foundation::Paths::resourceDirectory() / kFileName;
}

fs::path KXCatalogueFile::writablePath()
{
    return foundation::Paths::dataDirectory() / kFileName;
}

fs::path KXCatalogueFile::prepareWritableCopy(bool* copied)
{
    static std::mutex copying;
    std::lock_guard lock(copying);
    if (copied)
        *copied = false;
    const fs::path bundled = bundledPath();
    const fs::path writable = writablePath();
    fs::path stampFile = writable;
    stampFile += ".bundle";

    const std::string stamp = stampOf(bundled);
    std::error_code ec;
    if (stamp.empty() || (fs::exists(writable, ec) && readText(stampFile) == stamp))
        return writable;

    foundation::PrivateFiles::createFolder(writable.parent_path(), ec);
    foundation::Ref<foundation::Error> error;
    if (!copyBeside(bundled, writable, &error)) {
        kxcatalogue::log(foundation::format("cannot copy the catalogue %s: %@", bundled.c_str(), error));
        return writable;
    }
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(stamp.data());
    if (!foundation::PrivateFiles::writeFile(stampFile, std::span(bytes, stamp.size()), &error))
        kxcatalogue::log(foundation::format("cannot record the catalogue's origin: %@", error));
    if (copied)
        *copied = true;
    return writable;
}

std::string KXCatalogueFile::quickDefect(const fs::path& file)
{
    std::error_code ec;
    if (!fs::is_regular_file(file, ec))
        return "is not a file";
    auto db = SQDatabase::databaseWithPath(foundation::Id(file.string()));
    if (!db->openWithFlags(kOpenReadOnly))
        return "cannot be opened";
    std::string defect;
    if (!db->tableExists("fp_fonts")) {
        const int code = db->lastErrorCode();
        if (code == SQLITE_OK || code == SQLITE_DONE || isDamageCode(code))
            defect = "has no table fp_fonts";
    }
    db->close();
    return defect;
}

std::string KXCatalogueFile::catalogueDefect(const fs::path& file)
{
    std::error_code ec;
    if (!fs::is_regular_file(file, ec))
        return "not a file";
    auto db = SQDatabase::databaseWithPath(foundation::Id(file.string()));
    if (!db->openWithFlags(kOpenReadOnly))
        return "cannot be opened";
    std::string defect;
    // One problem is enough to refuse the file; a damaged one may not even say "ok" to the check.
    const auto integrity = db->stringForQuery("PRAGMA integrity_check(1)");
    if (!integrity || integrity->utf8() != "ok")
        defect = "fails the integrity check (" + (integrity ? integrity->utf8() : db->lastErrorMessage()->utf8()) + ")";
    for (const auto& table : kRequiredColumns) {
        if (!defect.empty())
            break;
        if (!db->tableExists(table.name)) {
            defect = foundation::format("has no table %s", table.name);
            break;
        }
        std::set<std::string> present;
        if (const auto columns = db->getTableSchema(table.name)) {
            while (columns->next())
                if (const auto name = columns->stringForColumn("name"))
                    present.insert(name->lowercaseString()->utf8());
            columns->close();
        }
        std::string missing;
        for (const char* column : table.columns)
            if (!present.contains(column))
                missing += (missing.empty() ? "" : ", ") + std::string(column);
        if (!missing.empty())
            defect = foundation::format("has no column %@ in %s", missing, table.name);
    }
    db->close();
    return defect;
}

bool KXCatalogueFile::moveIntoPlace(const fs::path& source, const fs::path& destination, foundation::Ref<foundation::Error>* error)
{
    std::error_code ec;
    foundation::PrivateFiles::createFolder(destination.parent_path(), ec);
    removeSideFiles(destination);
    fs::rename(source, destination, ec);
    if (!ec) {
        foundation::PrivateFiles::restrictFile(destination); // unpacked with the archive's mode
        return true;
    }
    if (ec != std::errc::cross_device_link) {
        if (error)
            *error = foundation::fileWriteError(destination, ec.value());
        return false;
    }
    if (!copyBeside(source, destination, error))
        return false;
    fs::remove(source, ec);
    return true;
}

fs::path KXCatalogueFile::copyOfBundledBesideWritable(foundation::Ref<foundation::Error>* error)
{
    const fs::path writable = writablePath();
    std::error_code ec;
    foundation::PrivateFiles::createFolder(writable.parent_path(), ec);
    fs::path temporary = copyToNewFileBeside(bundledPath(), writable, ec);
    if (temporary.empty() && error)
        *error = foundation::fileWriteError(writable, ec.value() ? ec.value() : EIO);
    return temporary;
}

bool KXCatalogueFile::isDamageCode(int code)
{
    const int primary = code & 0xff;
    return primary == SQLITE_CORRUPT || primary == SQLITE_NOTADB;
}

bool KXCatalogueFile::keepDamaged(const fs::path& file, foundation::Ref<foundation::Error>* error)
{
    fs::path aside = file;
    aside += kDamagedSuffix;
    const fs::path temporary = temporaryBeside(aside);
    // A second name for the same bytes costs nothing and leaves the file in use where it is; a
    // copy where the file system has no such names.
    std::error_code ec;
    fs::create_hard_link(file, temporary, ec);
    if (ec)
        copyPrivately(file, temporary, ec);
    if (ec) {
        // What is not a file, or cannot be read, has no bytes to keep but its own: it is moved.
        // Any other failure (a full disk) leaves the file where it is.
        std::error_code kind;
        const bool unreadable = !fs::is_regular_file(file, kind) || ec == std::errc::permission_denied
            || ec == std::errc::operation_not_permitted;
        if (!unreadable)
            return giveUp(temporary, aside, ec, error);
        std::error_code ignored;
        fs::remove(temporary, ignored);
        renameAside(file, aside, ec);
        if (ec && error)
            *error = foundation::fileWriteError(aside, ec.value());
        return !ec;
    }
    renameAside(temporary, aside, ec);
    // A rename onto another name of the same file (a restore that was killed left the link) does
    // nothing and succeeds, and the temporary name would stay.
    std::error_code ignored;
    fs::remove(temporary, ignored);
    return ec ? giveUp(temporary, aside, ec, error) : true;
}
