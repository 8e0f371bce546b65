#include "Class/Store/KXStoreTableCellView.h"

KXStoreTableCellView::KXStoreTableCellView(QWidget* parent)
    : QWidget(parent)
{
}
