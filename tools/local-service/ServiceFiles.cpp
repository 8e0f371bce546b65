#include "local-service/ServiceFiles.h"

#include "catalogue/TextRenderer.h"
#include "catalogue/ZipWriter.h"
#include "local-service/CatalogueIndex.h"
#include "local-service/PngEncoding.h"
#include "local-service/QrImage.h"

#include <fstream>
#include <sqlite3.h>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace localservice {

namespace fs = std::filesystem;

namespace {

std::optional<std::string> readFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::stringstream data;
    data << in.rdbuf();
    return data.str();
}

std::string replaceAll(std::string text, const std::string& from, const std::string& to)
{
    size_t at = 0;
    while (!from.empty() && (at = text.find(from, at)) != std::string::npos) {
        text.replace(at, from.size(), to);
        at += to.size();
    }
    return text;
}

} // namespace

ServiceFiles::ServiceFiles(CatalogueIndex& catalogue, fs::path uploadsDir, fs::path cacheDir, std::string baseUrl)
    : catalogue_(catalogue), uploadsDir_(std::move(uploadsDir)), cacheDir_(std::move(cacheDir)), baseUrl_(std::move(baseUrl))
{
}

bool ServiceFiles::safeRelativePath(const std::string& relative)
{
    if (relative.empty() || relative.front() == '/' || relative.find('\\') != std::string::npos ||
        relative.find('\0') != std::string::npos)
        return false;
    for (const auto& part : fs::path(relative))
        if (part == ".." || part == ".")
            return false;
    return true;
}

std::string ServiceFiles::contentTypeFor(const std::string& name)
{
    const std::string ext = fs::path(name).extension().string();
    if (ext == ".png")
        return "image/png";
    if (ext == ".jpg" || ext == ".jpeg")
        return "image/jpeg";
    if (ext == ".gif")
        return "image/gif";
    if (ext == ".webp")
        return "image/webp";
    if (ext == ".heic")
        return "image/heic";
    if (ext == ".zip")
        return "application/zip";
    if (ext == ".json" || ext == ".txt")
        return "text/plain; charset=utf-8";
    return "application/octet-stream";
}

std::optional<ServiceFiles::File> ServiceFiles::get(const std::string& relative)
{
    if (!safeRelativePath(relative))
        return std::nullopt;
    const std::string name = fs::path(relative).filename().string();
    File file;
    file.contentType = contentTypeFor(name);
    if (file.contentType.rfind("image/", 0) != 0)
        file.downloadName = name;
    std::optional<std::string> bytes;
    const fs::path source = relative.rfind("uploads/", 0) == 0 ? uploadsDir_ / relative.substr(8)
                                                               : catalogue_.filesDir() / relative;
    if (relative.rfind("packages/", 0) == 0)
        bytes = packageBytes(name, source);
    else
        bytes = readFile(source);
    if (!bytes)
        return std::nullopt;
    if (struct stat info{}; ::stat(source.c_str(), &info) == 0)
        file.lastModified = info.st_mtime;
    file.bytes = std::make_shared<const std::string>(std::move(*bytes));
    return file;
}

// Packages carry catalogue rows; their URLs get the service's base in place of the placeholder.
std::optional<std::string> ServiceFiles::packageBytes(const std::string& name, const fs::path& file)
{
    std::lock_guard lock(mutex_);
    if (const auto it = packageCache_.find(name); it != packageCache_.end())
        return *it->second;
    const auto original = readFile(file);
    if (!original)
        return std::nullopt;
    const std::string& placeholder = catalogue_.placeholder();
    std::optional<std::string> filled;
    if (const auto rows = catalogue::ZipReader::readEntry(*original, "fonts.txt")) {
        catalogue::ZipWriter zip;
        zip.addBytes("fonts.txt", replaceAll(*rows, placeholder, baseUrl_));
        filled = zip.toBytes();
    } else if (const auto db = catalogue::ZipReader::readEntry(*original, "fonts.sqlite")) {
        std::error_code ec;
        fs::create_directories(cacheDir_, ec);
        const fs::path temporary = cacheDir_ / ("full-" + std::to_string(getpid()) + ".sqlite");
        std::ofstream(temporary, std::ios::binary | std::ios::trunc).write(db->data(), static_cast<std::streamsize>(db->size()));
        sqlite3* handle = nullptr;
        if (sqlite3_open(temporary.c_str(), &handle) == SQLITE_OK) {
            sqlite3_stmt* stmt = nullptr;
            sqlite3_prepare_v2(handle,
                               "UPDATE fp_fonts SET image = replace(image, ?1, ?2), night_image = replace(night_image, ?1, ?2),"
                               " download_url = replace(download_url, ?1, ?2), show_img = replace(show_img, ?1, ?2),"
                               " new_image = replace(new_image, ?1, ?2)",
                               -1, &stmt, nullptr);
            sqlite3_bind_text(stmt, 1, placeholder.c_str(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_text(stmt, 2, baseUrl_.c_str(), -1, SQLITE_TRANSIENT);
            const bool ok = sqlite3_step(stmt) == SQLITE_DONE;
            sqlite3_finalize(stmt);
            sqlite3_close(handle);
            if (ok) {
                catalogue::ZipWriter zip;
                zip.addFile("fonts.sqlite", temporary);
                filled = zip.toBytes();
            }
        }
        fs::remove(temporary, ec);
    } else {
        filled = original;
    }
    if (!filled)
        return std::nullopt;
    packageCache_[name] = std::make_shared<const std::string>(*filled);
    return filled;
}

std::optional<ServiceFiles::File> ServiceFiles::render(int64_t fontid, bool night, const std::string& text)
{
    const auto face = catalogue_.faceFor(fontid);
    if (!face)
        return std::nullopt;
    auto bytes = renderCache_.png(fontid, night, text, [&]() -> std::shared_ptr<const std::string> {
        const auto opened = renderCache_.face(face->file, face->faceIndex);
        if (!opened)
            return nullptr;
        QString shown = QString::fromStdString(text);
        if (shown.isEmpty())
            shown = catalogue_.fontRow(fontid).value_or(QJsonObject()).value("fontname").toString();
        shown.truncate(40);
        const QImage image =
            opened->render(shown, night ? catalogue::TextRenderer::nightStyle() : catalogue::TextRenderer::dayStyle());
        if (image.isNull())
            return nullptr;
        return std::make_shared<const std::string>(encodePng(image));
    });
    if (!bytes || bytes->empty())
        return std::nullopt;
    return File{std::move(bytes), "image/png", {}, std::nullopt};
}

ServiceFiles::File ServiceFiles::qr(const std::string& text)
{
    return File{std::make_shared<const std::string>(QrImage::png(text)), "image/png", {}, std::nullopt};
}

std::string ServiceFiles::zipSlipPackage()
{
    catalogue::ZipWriter zip;
    zip.addBytes("fonts.txt", "[]");
    zip.addBytes("../../corvane-zip-slip.txt", "this entry escapes the destination folder\n");
    return zip.toBytes().value_or(std::string());
}

std::string ServiceFiles::packageWithoutFontsTxt()
{
    catalogue::ZipWriter zip;
    zip.addBytes("readme.txt", "a data package without fonts.txt\n");
    return zip.toBytes().value_or(std::string());
}

} // namespace localservice
