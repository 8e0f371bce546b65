#pragma once

#include "catalogue/TextRenderer.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <list>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <tuple>
#include <unordered_map>

namespace localservice {

// What the render route keeps between requests, so that a list asking for the previews of a
// hundred rows, and asking again after a scroll, costs little: the rendered PNGs by (font id,
// theme, text), bounded by their bytes, and the opened faces by font file and face index, bounded
// by their number; the least recently used go first. Thread-safe: the service answers on many
// threads, and two requests for the same new preview may both render it.
class RenderCache {
public:
    static constexpr std::size_t kDefaultPngBytes = 32u << 20;
    static constexpr std::size_t kDefaultFaces = 32;

    explicit RenderCache(std::size_t pngBytes = kDefaultPngBytes, std::size_t faces = kDefaultFaces);
    ~RenderCache();

    using Render = std::function<std::shared_ptr<const std::string>()>;
    // The PNG of the key, rendered by `render` when not kept (a null or empty result is not kept).
    std::shared_ptr<const std::string> png(
        int64_t fontid, bool night, const std::string& text, const Render& render);

    using Face = catalogue::TextRenderer::Face;
    // The face of the file, opened when not kept; null when it cannot be opened.
    std::shared_ptr<Face> face(const std::filesystem::path& file, int faceIndex);

    std::size_t pngCount() const;
    std::size_t pngBytes() const;
    std::size_t faceCount() const;
    // How often a PNG and a face were made rather than found.
    std::size_t pngsRendered() const;
    std::size_t facesOpened() const;

private:
    using PngKey = std::tuple<int64_t, bool, std::string>;
    using FaceKey = std::pair<std::string, int>;
    struct PngEntry {
        PngKey key;
        std::shared_ptr<const std::string> bytes;
    };

    mutable std::mutex mutex_;
    std::size_t pngLimit_;
    std::size_t faceLimit_;
    std::list<PngEntry> pngs_; // most recently used first
    std::map<PngKey, std::list<PngEntry>::iterator> pngIndex_;
    std::size_t pngBytes_ = 0;
    std::list<std::pair<FaceKey, std::shared_ptr<Face>>> faces_;
    std::map<FaceKey, std::list<std::pair<FaceKey, std::shared_ptr<Face>>>::iterator> faceIndex_;
    std::size_t pngsRendered_ = 0;
    std::size_t facesOpened_ = 0;
};

} // namespace localservice
