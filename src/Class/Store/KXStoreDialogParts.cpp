#include "Class/Store/KXStoreDialogParts.h"

#include "Class/LayoutWidgets/WidgetView.h"
#include "Class/Store/KXStoreButton.h"
#include "Class/Store/KXStoreStyle.h"
#include "Lib/LayoutConstraints/LCViewAdditions.h"

#include <QLabel>
#include <QPainter>

using layoutwidgets::lcView;

namespace storedialog {

void paintDialog(QWidget& dialog)
{
    QPainter painter(&dialog);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::white);
    painter.drawRoundedRect(QRectF(dialog.rect()), 4, 4);
}

QLabel* messageIn(QWidget* dialog, const QString& text)
{
    auto* label = storestyle::plainLabel(text, 14, storestyle::kBoxTitle, dialog);
    label->setAlignment(Qt::AlignCenter);
    label->setWordWrap(true);
    lc_makeConstraints(lcView(label), [](LCConstraintMaker& make) {
        make.left().equalTo(20);
        make.right().equalTo(0).offset(-20);
        make.top().equalTo(18);
        make.bottom().equalTo(0).offset(-62);
    });
    return label;
}

void placePair(KXStoreButton* left, KXStoreButton* right)
{
    lc_makeConstraints(lcView(left), [](LCConstraintMaker& make) {
        make.centerX().equalTo(0).offset(-55);
        make.bottom().equalTo(0).offset(-18);
        make.width().equalTo(90);
        make.height().equalTo(32);
    });
    lc_makeConstraints(lcView(right), [](LCConstraintMaker& make) {
        make.centerX().equalTo(0).offset(55);
        make.bottom().equalTo(0).offset(-18);
        make.width().equalTo(90);
        make.height().equalTo(32);
    });
}

} // namespace storedialog
