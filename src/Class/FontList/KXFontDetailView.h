#pragma once

#include "Class/UIKit/KXBaseView.h"
#include "Platform/Foundation/Dictionary.h"

#include <QPointer>
#include <functional>

class ImageView;
class QLabel;
class QScrollArea;

// The side panel that shows everything the service knows about one font (the "corvane_data" of
// its getInfo reply): a cover, the name, sample images, the punctuation and Latin sample, the
// weights of the family, application examples, tags, a description and five facts. It is built
// once, by setInfoDic(), and sends nothing back; its back button, or Escape from wherever the keys
// are inside it, takes it out of its superview.
//
// The content is a white document in a vertically scrolling area that fills the panel; the
// document's parts are placed by constraints one below the other, and its height follows them
// (30 below the last fact). Images load through the image loader and take their size when they
// arrive; one that fails or has no width takes no room. Every server text shows as plain text.
// Arrays of the reply are read up to their first 50 entries.
//
// Placing it (the font list, the search panel, the folder and collection pages): showIn(host)
// adds it on top of `host`, pins its top, bottom and right edges and a width of 310 (required) and
// its left edge at a lower priority, so that on a wider host it shows at the right. Or the whole
// title-click road: requestAndShow(host, fontid). Main thread only.
class KXFontDetailView : public KXBaseView {
    Q_OBJECT

public:
    static constexpr double kWidth = 310;
    static constexpr int kMaxEntries = 50;

    explicit KXFontDetailView(QWidget* parent = nullptr);
    ~KXFontDetailView() override;

    const foundation::Ref<foundation::Dictionary>& infoDic() const { return infoDic_; }
    // Stores the detail dictionary and builds the panel (once per panel).
    void setInfoDic(const foundation::Ref<foundation::Dictionary>& info);
    QScrollArea* scrollView();
    // The scrolled document that holds the parts.
    QWidget* documentView() const { return document_; }

    // The back button: the panel leaves its superview.
    void backBtnClick();

    // Adds the panel on top of `host` and pins it (see the class comment).
    void showIn(QWidget* host);
    // Asks the service for the font's details (getInfo) and, on errcode 0 with a "corvane_data"
    // dictionary, shows a new panel in `host`, then calls `shown` with it. A failure or another
    // errcode shows nothing; nothing happens once `host` is gone.
    static void requestAndShow(
        QWidget* host, long long fontid, std::function<void(KXFontDetailView*)> shown = {});

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void setUPUI();
    QLabel* addLabel(const QString& text, int pixelSize, const QColor& color);
    // Places `view` `gap` below the last part placed, centred (or `left` from the document's left
    // edge), and makes it the last part.
    void below(QWidget* view, double gap, double left = -1);
    // A section's header and its ornament.
    void addHeader(const char* title, double gap);
    // An image `width` wide, as tall as its aspect ratio says once it has arrived, `gap` below the
    // last part (the gap only once it has arrived unless `gapBeforeArrival`).
    ImageView* addSizedImage(const foundation::Id& url, double width, double gap, bool gapBeforeArrival);
    void addWeights(const foundation::Id& list);
    void addFacts();
    void fitDocument();

    foundation::Ref<foundation::Dictionary> infoDic_;
    QPointer<QScrollArea> scrollView_;
    QPointer<QWidget> document_;
    QPointer<QWidget> last_;
    QPointer<QWidget> lastFact_;
    bool built_ = false;
};
