#pragma once

#include <QWidget>

// A plain row view of a table, drawn as any table row is; nothing in the client creates one.
class KXHomeLocalCell : public QWidget {
    Q_OBJECT

public:
    explicit KXHomeLocalCell(QWidget* parent = nullptr);
};
