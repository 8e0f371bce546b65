#pragma once

#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

namespace localservice {

class CatalogueIndex;

// The files below /files/: catalogue assets, data packages (their catalogue URLs filled in with
// the service's base URL), hostile packages for tests, QR codes, rendered previews and uploaded
// covers.
class ServiceFiles {
public:
    struct File {
        std::shared_ptr<const std::string> bytes;
        std::string contentType;
        std::string downloadName; // for Content-Disposition; empty for images
    };

    ServiceFiles(CatalogueIndex& catalogue, std::filesystem::path uploadsDir, std::filesystem::path cacheDir,
                 std::string baseUrl);

    // relative: the path below /files/. nullopt when there is no such file or the path is unsafe.
    std::optional<File> get(const std::string& relative);
    std::optional<File> render(int64_t fontid, bool night, const std::string& text);
    File qr(const std::string& text);

    static std::string zipSlipPackage();
    static std::string packageWithoutFontsTxt();
    static bool safeRelativePath(const std::string& relative);
    static std::string contentTypeFor(const std::string& name);

private:
    std::optional<std::string> packageBytes(const std::string& name, const std::filesystem::path& file);

    CatalogueIndex& catalogue_;
    std::filesystem::path uploadsDir_;
    std::filesystem::path cacheDir_;
    std::string baseUrl_;
    std::mutex mutex_;
    std::map<std::string, std::shared_ptr<const std::string>> packageCache_;
};

} // namespace localservice
