#include "Class/ServiceCore/KXCatalogueFile.h"

#include "Class/ServiceCore/KXBaseDBManager.h"
#include "Lib/SQLKit/SQDatabase.h"
#include "Platform/Foundation/FileError.h"
#include "Platform/Foundation/Format.h"
#include "Platform/Storage/Paths.h"

#include <atomic>
#include <cerrno>
#include <fstream>
#include <mutex>
#include <sstream>
#include <system_error>

#include <unistd.h>

namespace fs = std::filesystem;

namespace {

constexpr int kOpenReadOnly = 1; // SQLITE_OPEN_READONLY

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

fs::path temporaryBeside(const fs::path& destination)
{
    static std::atomic<unsigned> counter{0};
    fs::path temporary = destination;
    temporary += ".tmp-" + std::to_string(getpid()) + "-" + std::to_string(counter++);
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

bool copyBeside(const fs::path& source, const fs::path& destination, foundation::Ref<foundation::Error>* error)
{
    const fs::path temporary = temporaryBeside(destination);
    std::error_code ec;
    fs::copy_file(source, temporary, fs::copy_options::overwrite_existing, ec);
    if (!ec) {
        removeSideFiles(destination);
        fs::rename(temporary, destination, ec);
    }
    if (ec) {
        fs::remove(temporary, ec);
        if (error)
            *error = foundation::fileWriteError(destination, ec.value() ? ec.value() : EIO);
        return false;
    }
    return true;
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

    fs::create_directories(writable.parent_path(), ec);
    foundation::Ref<foundation::Error> error;
    if (!copyBeside(bundled, writable, &error)) {
        KXBaseDBManager::log(foundation::format("cannot copy the catalogue %s: %@", bundled.c_str(), error));
        return writable;
    }
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(stamp.data());
    if (!foundation::writeFileAtomically(stampFile, std::span(bytes, stamp.size()), &error))
        KXBaseDBManager::log(foundation::format("cannot record the catalogue's origin: %@", error));
    if (copied)
        *copied = true;
    return writable;
}

bool KXCatalogueFile::isCatalogue(const fs::path& file)
{
    std::error_code ec;
    if (!fs::is_regular_file(file, ec))
        return false;
    auto db = SQDatabase::databaseWithPath(foundation::Id(file.string()));
    if (!db->openWithFlags(kOpenReadOnly))
        return false;
    const bool found = db->tableExists("fp_fonts");
    db->close();
    return found;
}

bool KXCatalogueFile::moveIntoPlace(const fs::path& source, const fs::path& destination, foundation::Ref<foundation::Error>* error)
{
    std::error_code ec;
    fs::create_directories(destination.parent_path(), ec);
    removeSideFiles(destination);
    fs::rename(source, destination, ec);
    if (!ec)
        return true;
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
