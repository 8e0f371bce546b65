#pragma once

#include <QAbstractScrollArea>
#include <QColor>
#include <QPointer>
#include <QSizeF>
#include <map>
#include <memory>
#include <vector>

class KXStoreTableCellView;
class KXStoreTableView;

// What a store table asks its owner; every method defaults to an empty table.
class KXStoreTableViewDataSource {
public:
    virtual ~KXStoreTableViewDataSource() = default;
    virtual int numberOfRowsInTableView(KXStoreTableView* tableView)
    {
        (void)tableView;
        return 0;
    }
    // The row's height, not counting the intercell spacing.
    virtual double tableViewHeightOfRow(KXStoreTableView* tableView, int row)
    {
        (void)tableView;
        (void)row;
        return 0;
    }
    // The view of a row coming into view: one from makeViewWithIdentifier() or a new one.
    virtual KXStoreTableCellView* tableViewViewForRow(KXStoreTableView* tableView, int row)
    {
        (void)tableView;
        (void)row;
        return nullptr;
    }
    // A click on a row (clickedRow() says which).
    virtual void tableViewClicked(KXStoreTableView* tableView) { (void)tableView; }
};

// Forwards a table's questions to a widget that answers them with methods of the same names,
// held through a QPointer: the table holds its data source weakly and the widget owns this.
template <class Owner> class KXStoreTableViewForwarder final : public KXStoreTableViewDataSource {
public:
    explicit KXStoreTableViewForwarder(Owner* owner)
        : owner_(owner)
    {
    }
    int numberOfRowsInTableView(KXStoreTableView* tableView) override
    {
        return owner_ ? owner_->numberOfRowsInTableView(tableView) : 0;
    }
    double tableViewHeightOfRow(KXStoreTableView* tableView, int row) override
    {
        return owner_ ? owner_->tableViewHeightOfRow(tableView, row) : 0;
    }
    KXStoreTableCellView* tableViewViewForRow(KXStoreTableView* tableView, int row) override
    {
        return owner_ ? owner_->tableViewViewForRow(tableView, row) : nullptr;
    }
    void tableViewClicked(KXStoreTableView* tableView) override
    {
        if constexpr (requires(Owner & o, KXStoreTableView * t) { o.tableViewClicked(t); }) {
            if (owner_)
                owner_->tableViewClicked(tableView);
        }
    }

private:
    QPointer<Owner> owner_;
};

// A one-column table of row views, built only for the rows in view, as the platform's view-based
// tables are: rows scrolled out go back to a pool by identifier, and the data source takes them
// again through makeViewWithIdentifier() for the rows scrolled in. Rows are as high as the data
// source says, `intercellSpacing` apart; the spacing shows the background. Reloading asks for
// every height again and for the views of the rows in view; so does a change of the table's width,
// for rows that lay their content out for it (the data source reads width()).
//
// Removed rows fade out and inserted rows fade in (0.25 s); finishAnimations() jumps to the end.
// Main thread only.
class KXStoreTableView : public QAbstractScrollArea {
    Q_OBJECT

public:
    static constexpr int kAnimationMilliseconds = 250;

    explicit KXStoreTableView(QWidget* parent = nullptr);
    ~KXStoreTableView() override;

    void setDataSource(const std::shared_ptr<KXStoreTableViewDataSource>& dataSource)
    {
        dataSource_ = dataSource;
    }

    void reloadData();
    void removeRow(int row, bool fade);
    void insertRows(int first, int count, bool fade);
    // Runs the fades to their end at once.
    void finishAnimations();

    // A pooled view with that identifier, or nullptr.
    KXStoreTableCellView* makeViewWithIdentifier(const QString& identifier);
    // The view showing a row, or nullptr when the row is not in view.
    KXStoreTableCellView* viewAtRow(int row) const;
    // The rows in view, first and last (-1, -1 when none).
    std::pair<int, int> rowsInView() const;
    int numberOfRows() const { return static_cast<int>(heights_.size()); }
    // A row's rectangle in the table's content (not scrolled).
    QRectF rectOfRow(int row) const;
    double contentHeight() const;
    // The row last clicked, or -1.
    int clickedRow() const { return clickedRow_; }
    // Every view the table holds, in view and pooled (tests read the reuse through this).
    std::size_t viewCount() const;

    QSizeF intercellSpacing() const { return spacing_; }
    void setIntercellSpacing(QSizeF spacing);
    void setBackgroundColor(const QColor& color);
    void scrollToTop();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    bool viewportEvent(QEvent* event) override;

private:
    void measure();
    void updateScrollRange();
    void layoutRows();
    void recycle(KXStoreTableCellView* view);
    int rowAtY(double contentY) const;
    void fadeIn(KXStoreTableCellView* view);
    void fadeOutSnapshot(const QPixmap& snapshot, const QRect& where);

    std::weak_ptr<KXStoreTableViewDataSource> dataSource_;
    std::vector<double> heights_;
    std::vector<double> offsets_; // top of each row in the content; one more for the end
    std::map<int, QPointer<KXStoreTableCellView>> inView_;
    std::multimap<QString, QPointer<KXStoreTableCellView>> pool_;
    std::vector<int> fadingIn_;
    std::vector<QPointer<class QPropertyAnimation>> animations_;
    QSizeF spacing_;
    int clickedRow_ = -1;
    bool laying_ = false;
};
