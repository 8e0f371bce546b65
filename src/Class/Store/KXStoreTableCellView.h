#pragma once

#include <QString>
#include <QWidget>

// A row view of the store's tables, kept by the table for reuse under its identifier as the
// platform's table cell views are. Main thread only.
class KXStoreTableCellView : public QWidget {
    Q_OBJECT

public:
    explicit KXStoreTableCellView(QWidget* parent = nullptr);

    const QString& identifier() const { return identifier_; }
    void setIdentifier(const QString& identifier) { identifier_ = identifier; }

private:
    QString identifier_;
};
