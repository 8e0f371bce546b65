#pragma once

#include "Class/FontList/KXPreviewImageSource.h"
#include "Class/FontList/KXRowPainter.h"
#include "Class/ServiceCore/Catalogue/KXFontBaseModel.h"

#include <QPersistentModelIndex>
#include <QStyledItemDelegate>

#include <memory>

class KXFontTableView;

// The owner of font rows: what the rows report. Every method does nothing unless the owner
// implements it. Held weakly by the row.
class KXHomeListTableCellViewDeleagte {
public:
    virtual ~KXHomeListTableCellViewDeleagte() = default;
    // A click on the row: the owner runs its row-click road.
    virtual void cellMouseDown(const foundation::Ref<KXFontBaseModel>& record) { (void)record; }
    // The favourite button.
    virtual void collectionBtnClick(const foundation::Ref<KXFontBaseModel>& record) { (void)record; }
    // A click on the title of a font that has a detail page.
    virtual void fontTitleClick(long long fontid) { (void)fontid; }
    // Hands an installed file to the application in front; no row sends it.
    virtual void downloadTTFPath(const foundation::Ref<foundation::String>& path) { (void)path; }
};

// The font row of every font list, as the item delegate of its table: it paints any index whose
// model answers KXFontListModel::RecordRole with that record, laid out as the row's constraint
// table places its parts (KXRowGeometry), and turns pointer events into the row's callbacks by the
// same rectangles: the row, the title (fonts with a detail page), the favourite button, the
// heartbeat badge (its page opens in the browser) and the licence link. Nothing is made per row:
// the cart button is one real button of the table (KXFontTableView), moved over the hovered row.
//
// A click on the row also counts one use of the font in the process-wide activation list while
// someone is signed in. Every look the row shows is worked out again at each paint from the
// record, the palette and the table's state (hover, arrived preview, local name image, licence link).
//
// The owner prepares records for its list by deriving from this class (prepareRecord), sets
// itself as the delegate and chooses the row's own cellType. Main thread only.
class KXHomeListTableCellView : public QStyledItemDelegate {
    Q_OBJECT

public:
    explicit KXHomeListTableCellView(QObject* parent = nullptr);

    // The owner's kind of row: 2 takes the record's `image` at any palette and a preview 30 high
    // (the recommended-collection detail); the other lists leave 0.
    unsigned long long cellType() const { return cellType_; }
    void setCellType(unsigned long long cellType) { cellType_ = cellType; }
    std::shared_ptr<KXHomeListTableCellViewDeleagte> delegate() const { return delegate_.lock(); }
    void setDelegate(const std::shared_ptr<KXHomeListTableCellViewDeleagte>& delegate) { delegate_ = delegate; }

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    bool editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option, const QModelIndex& index) override;
    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option, const QModelIndex& index) override;

    // The row's parts for a record inside `rowRect` (the row's area, without the spacing below it).
    KXRowPainter::Row rowFor(const KXFontBaseModel& record, const QRect& rowRect, const KXFontTableView* table) const;
    // The part of the row at a point of the table's viewport.
    KXRowPainter::Target targetAt(const KXFontTableView& table, const QModelIndex& index, const QPoint& viewportPoint) const;
    // The preview address the row of this record shows under the current palette.
    std::string previewURL(const KXFontBaseModel& record) const;
    // The area of the row of an index: its item rectangle without the spacing below it.
    static QRect rowRect(const QRect& itemRect, const KXFontTableView* table);
    // The box a row inside `rowRect` of `table` draws its preview in, which is what it asks the
    // preview source for: an image is cached under its box.
    static KXPreviewBox previewBox(const QRect& rowRect, const KXFontTableView& table);

    // Rows painted so far (tests and benchmarks count them).
    long long paintCount() const { return paintCount_; }

protected:
    // Called with each record before its row is laid out: the owner's set-up of the record.
    virtual void prepareRecord(KXFontBaseModel& record) const { (void)record; }

private:
    // `table` is the list that asked, over whose window a link that cannot open is reported.
    void activate(KXRowPainter::Target target, const foundation::Ref<KXFontBaseModel>& record, const QWidget* table);

    unsigned long long cellType_ = 0;
    std::weak_ptr<KXHomeListTableCellViewDeleagte> delegate_;
    mutable KXRowPainter painter_;
    mutable long long paintCount_ = 0;
    QPersistentModelIndex pressedIndex_;
    KXRowPainter::Target pressedTarget_ = KXRowPainter::Target::None;
};
