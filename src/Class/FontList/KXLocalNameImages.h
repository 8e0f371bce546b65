#pragma once

#include "Platform/Foundation/Class.h"

#include <QImage>
#include <QSizeF>
#include <QString>
#include <cstddef>
#include <functional>
#include <list>
#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

class KXFontBaseModel;
namespace dispatch {
class Operation;
class OperationQueue;
} // namespace dispatch

// The names of a table's local rows, each drawn in its own font into an image on the pool: the
// first use of a font on a thread costs a match against every installed font, which the main
// thread must not pay for every row that scrolls into view. A row that paints asks for its image;
// until it is made the row shows none, and `arrived` then names the record it was asked for, so
// the table repaints that record's row wherever it is by then. Images are kept, the most recently
// drawn first, up to kCacheLimit; keepOnly() cancels the drawing of names of rows gone.
//
// Drawing begins at the main queue's next turn, once the paint that asked is on screen, one name
// at a time: while the pool matches a font it holds the font database's lock, which every text
// the main thread draws takes too, so the main thread waits at most for one match.
//
// Main thread only, but for render(); the pool's answers come on the main queue and are dropped
// once this object is gone.
class KXLocalNameImages : public std::enable_shared_from_this<KXLocalNameImages> {
public:
    // What a name's image depends on.
    struct Request {
        std::string postScriptName;
        QString text; // the whole name, elided to the width when drawn
        double pixelSize = 0; // the font's size
        QSizeF size; // the name's area in points
        unsigned int rgba = 0; // the text colour (QRgb)
        double devicePixelRatio = 1;

        std::string key() const;
    };
    using Arrived = std::function<void(const foundation::Ref<KXFontBaseModel>& record)>;

    static constexpr std::size_t kCacheLimit = 128;
    // Names drawn at once (see above).
    static constexpr long kConcurrentRenders = 1;

    static std::shared_ptr<KXLocalNameImages> create(Arrived arrived);
    explicit KXLocalNameImages(Arrived arrived);
    ~KXLocalNameImages();

    // The image of the request if made, else a null image; the first ask for a request starts
    // drawing it, and each record that asks meanwhile is named when it arrives.
    QImage imageFor(const foundation::Ref<KXFontBaseModel>& record, const Request& request);
    // Stops waiting for the names of records outside `wanted`; a drawing no record waits for is
    // cancelled if it has not begun.
    void keepOnly(const std::unordered_set<const KXFontBaseModel*>& wanted);

    // The name as a row shows it: in the record's own font, elided to the area's width, centred
    // on the area's height, on a transparent ground. The image reaches margin(pixelSize) beyond
    // the area on each side, where a slanted or tall glyph may stand out of it. Any thread.
    static QImage render(const Request& request);
    static double margin(double pixelSize);

    std::size_t pending() const { return pending_.size(); }
    std::size_t cached() const { return images_.size(); }

private:
    struct Pending {
        Request request;
        std::shared_ptr<dispatch::Operation> operation; // null until drawing begins
        std::vector<std::weak_ptr<KXFontBaseModel>> records;
    };
    void startDrawing();
    void finished(const std::string& key, QImage image);
    void keep(const std::string& key, QImage image);

    Arrived arrived_;
    std::shared_ptr<dispatch::OperationQueue> queue_;
    std::unordered_map<std::string, Pending> pending_;
    std::vector<std::string> unstarted_; // keys asked for since the last turn, in order
    bool startScheduled_ = false;
    std::list<std::pair<std::string, QImage>> images_;
    std::unordered_map<std::string, std::list<std::pair<std::string, QImage>>::iterator> index_;
};
