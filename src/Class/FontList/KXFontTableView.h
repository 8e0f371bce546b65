#pragma once

#include <QColor>
#include <QListView>
#include <QPersistentModelIndex>
#include <QPointer>

#include <memory>
#include <string>
#include <utility>

class KXBaseButton;
class KXFontBaseModel;
class KXHomeListTableCellView;
class KXLicenceLinkSchedule;
class KXLocalNameImages;
class KXPreviewLoads;

// The table of a font list: a list view of rows that are all as high as the preview size, 3 points
// apart, scrolled by the pixel, painted by one row delegate (KXHomeListTableCellView) for the rows
// in view only. It keeps what the rows share: which row the pointer is over, the one cart button
// moved over that row, the preview loads and local names of the rows near the viewport and the
// licence links.
//
// User scrolling is announced on the default notification centre, as a scroll view announces
// live scrolling: "NSScrollViewWillStartLiveScrollNotification" at the first wheel event or when
// the scroller is pressed, "NSScrollViewDidEndLiveScrollNotification" when the scroller is let go
// or 200 ms (on the dispatch clock) after the last wheel event. The object is a KXViewReference of
// the table. The pointer entering a row writes "---进入" to the pages' trace (kxPages); while the
// process-wide `scrollSate` is set, pointer entry and exit change nothing.
//
// The cart button posts "cellBuyCartsClick" with a KXViewReference of itself whose tag is the
// hovered font's id. When it hides under the pointer (the click took the font), clicks on the spot
// it left, a double-click's second one included, reach nothing until the pointer leaves that spot
// or the rows move: they were meant for the button, never for the row's install.
//
// A click gives the list the keyboard focus. The rows show no current row, so the arrow keys, Page
// Up, Page Down, Home and End scroll the view itself rather than move a cursor nobody sees. Main
// thread only.
class KXFontTableView : public QListView {
    Q_OBJECT

public:
    static constexpr const char* kWillStartLiveScrollNotification = "NSScrollViewWillStartLiveScrollNotification";
    static constexpr const char* kDidEndLiveScrollNotification = "NSScrollViewDidEndLiveScrollNotification";
    static constexpr const char* kBuyCartsNotification = "cellBuyCartsClick";
    static constexpr double kWheelScrollEndDelay = 0.2;
    static constexpr int kIntercellSpacing = 3;

    explicit KXFontTableView(QWidget* parent = nullptr);
    ~KXFontTableView() override;

    // The rows' height (the preview size); rows are this plus the spacing apart.
    double rowHeight() const { return rowHeight_; }
    void setRowHeight(double height);
    // The scroll bar in the palette's colours: its track and its thumb, which the caller gives
    // a contrast of at least 3:1 so the thumb can be found.
    void setScrollerColours(const QColor& track, const QColor& thumb);
    std::pair<QColor, QColor> scrollerColours() const { return scrollerColours_; }
    int rowPitch() const;

    KXHomeListTableCellView* rowDelegate() const;
    void setRowDelegate(KXHomeListTableCellView* delegate);

    // The row under the pointer, as the rows last learnt it.
    QModelIndex hoveredIndex() const { return hovered_; }
    bool isTitleHovered(const QModelIndex& index) const;
    bool isLiveScrolling() const { return liveScrolling_; }
    KXBaseButton* cartButton() const { return cartButton_; }

    KXPreviewLoads& previews() const { return *previews_; }
    KXLicenceLinkSchedule& licenceLinks() const { return *licenceLinks_; }
    // The local rows' names in their own fonts, drawn off the main thread; a row whose name comes
    // in is repainted by its record.
    KXLocalNameImages& localNames() const { return *localNames_; }

    // Redraws the row holding the record, wherever it is now.
    void reloadRecord(const KXFontBaseModel* record);
    // The rows in view, first and last (-1 when none).
    std::pair<int, int> visibleRows() const;

    // While more rows are on their way below the rows shown (the rest of a reload), a scroll the
    // person asks for beyond the rows shown (End; Page Down or Down past the last row; the thumb
    // dragged) is kept and carried out on the whole list once the rows are in: End ends at the
    // last row, a dragged thumb stays where it was let go. A scroll back up drops what was kept.
    // awaitMoreRows(false) drops it too (the rows shown are all there is);
    // moreRowsArrived() lays the rows out now and carries out what was kept.
    void awaitMoreRows(bool awaiting);
    void moreRowsArrived();

protected:
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    bool viewportEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void resizeEvent(QResizeEvent* event) override;
    void dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight, const QList<int>& roles) override;
    void rowsAboutToBeRemoved(const QModelIndex& parent, int start, int end) override;
    void reset() override;

private:
    std::pair<QColor, QColor> scrollerColours_;
    void beginLiveScroll();
    void endLiveScroll();
    void setHover(const QModelIndex& index, const QPoint& position);
    void updateCartButton();
    void cartClicked();
    void previewArrived(const std::string& url);
    void keepNearbyPreviews();
    void updateCursor(const QPoint& position);

    // A scroll asked for while more rows are to come: to the end, to a point (pixels from the
    // top), or to a share of the whole height (the thumb's place).
    struct KeptScroll {
        enum class Kind { None, End, Offset, Share } kind = Kind::None;
        double value = 0;
    };
    void keepScroll(int action);

    double rowHeight_ = 90;
    bool awaitingRows_ = false;
    KeptScroll keptScroll_;
    QPersistentModelIndex hovered_;
    QPoint hoverPosition_;
    bool liveScrolling_ = false;
    unsigned long long wheelGeneration_ = 0;
    KXBaseButton* cartButton_;
    // The pointer as the viewport or the cart button last saw it, in the viewport.
    QPoint pointer_ { -1, -1 };
    // Where the cart button hid under the pointer, in the viewport (empty when it did not).
    QRect vacatedCart_;
    std::shared_ptr<KXPreviewLoads> previews_;
    std::shared_ptr<KXLicenceLinkSchedule> licenceLinks_;
    std::shared_ptr<KXLocalNameImages> localNames_;
};
