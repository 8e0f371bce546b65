#pragma once

#include "Class/FontList/Core/KXRowGeometry.h"
#include "Class/FontList/Core/KXRowLook.h"
#include "Class/FontList/KXLocalNameImages.h"
#include "Platform/Foundation/Object.h"

#include <QFont>
#include <QImage>
#include <QRectF>
#include <QStaticText>

#include <list>
#include <string>
#include <unordered_map>

class QPainter;
namespace graphics {
class Image;
}

// Draws one font row from its record and tells which part of the row lies under a point: the
// widget-free look (KXRowLook) and rectangles (KXRowGeometry) turned into pixels. One painter
// serves every row of a table and keeps what rows draw again and again: the artwork scaled to the
// size it is drawn at, the titles laid out once (bounded, by text) with their widths, and the
// previews scaled to their rows (bounded, least recently drawn first out). Main thread only.
class KXRowPainter {
public:
    // Where a pointer is over a row, topmost first as the row's parts are stacked.
    enum class Target { None, LicenceLink, Heartbeat, Favourite, Title, Row };

    // A row worked out for one paint or hit test.
    struct Row {
        KXRowGeometry geometry;
        KXRowBadges badges;
        KXRowMarks marks;
        std::string previewURL; // filled by the caller, which knows the palette and language
        double cellHeight = 0;
    };
    // What the table knows of the row beyond its record.
    struct State {
        bool hovered = false;         // the pointer entered the row (not while scrolling)
        bool titleHovered = false;    // the pointer is over the title
        bool licenceShowing = false;  // the record's licence link is due
        foundation::Ref<graphics::Image> preview; // the arrived preview, or nil
        QImage localName; // a local row's name drawn in its own font (localNameRequest), or null
    };

    static constexpr const char* kLicenceTitle = "获得个人家庭授权>";
    static constexpr const char* kHeartbeatToolTip = "心动模式字体";

    // The row's parts for a record; `previewSize` is the arrived preview's size in points, if any.
    Row layout(const KXFontBaseModel& record, unsigned long long rowCellType, const QSizeF& rowSize,
               const QSizeF& previewSize = {});
    void paint(QPainter& painter, const QRectF& rowRect, const KXFontBaseModel& record, const Row& row, const State& state);
    // The part under `point` (row coordinates).
    static Target hitTest(const Row& row, const QPointF& point, bool licenceShowing);

    // The local name's font (the font itself at the row's size) and its text as drawn: whole, or
    // elided to its area when it does not fit, so that a long name never ends mid-letter. The rows
    // never draw with it on the main thread: they paint the image of localNameRequest(), made on
    // the pool, and nothing in its place until it is made.
    static KXLocalNameImages::Request localNameRequest(const KXFontBaseModel& record, const KXRowGeometry& geometry,
                                                       double devicePixelRatio);
    static QFont localNameFont(const KXFontBaseModel& record);
    static QString localNameText(const KXFontBaseModel& record, const KXRowGeometry& geometry);

    static QFont titleFont();
    static QFont licenceFont();
    // The artwork of that name, kept once loaded (nil image when the resources have none).
    const QImage& artwork(const std::string& name);
    // The artwork scaled to `size` points for a device of that pixel ratio, kept once made.
    const QImage& artwork(const std::string& name, const QSize& size, qreal devicePixelRatio);
    // The preview scaled to `size` points, kept for the rows that draw it again.
    QImage scaledPreview(const QImage& preview, const QSize& size, qreal devicePixelRatio);

    static constexpr std::size_t kTitleCacheLimit = 4096;
    static constexpr std::size_t kPreviewCacheLimit = 256;

private:
    struct Title {
        QStaticText text;
        double width = 0;
        // The text elided to the narrower room a row last gave it (long names beside badges).
        QStaticText elided;
        double elidedRoom = -1;
    };
    Title& title(const foundation::Ref<foundation::String>& text);
    const QStaticText& titleFitting(Title& title, const foundation::Ref<foundation::String>& text, double room);
    void drawArtwork(QPainter& painter, const autolayout::Rect& rect, const std::string& name);

    std::unordered_map<std::string, QImage> artwork_;
    std::unordered_map<std::string, QImage> scaledArtwork_;
    std::unordered_map<std::string, Title> titles_;
    // Scaled previews by source image, size and ratio; the most recently drawn at the front.
    using PreviewKey = std::tuple<qint64, int, int, int>;
    struct PreviewHash {
        std::size_t operator()(const PreviewKey& key) const
        {
            return std::hash<qint64>()(std::get<0>(key)) ^ (std::hash<int>()(std::get<1>(key) * 131 + std::get<2>(key)) << 1) ^
                   std::hash<int>()(std::get<3>(key));
        }
    };
    std::list<std::pair<PreviewKey, QImage>> previews_;
    std::unordered_map<PreviewKey, std::list<std::pair<PreviewKey, QImage>>::iterator, PreviewHash> previewIndex_;
};
