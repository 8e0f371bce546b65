#include "Class/FontList/KXHomeLocalCell.h"

KXHomeLocalCell::KXHomeLocalCell(QWidget* parent)
    : QWidget(parent)
{
}
