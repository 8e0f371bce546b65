#pragma once

#include <QString>

class KXStoreButton;
class QLabel;
class QWidget;

// What the order page's two dialogs share: the white box they paint, the message over their
// buttons and the two buttons side by side.
namespace storedialog {

// A white box with corner radius 4 (the shadow is the dialog's effect).
void paintDialog(QWidget& dialog);
QLabel* messageIn(QWidget* dialog, const QString& text);
// Two buttons side by side at the bottom, each 90 x 32.
void placePair(KXStoreButton* left, KXStoreButton* right);

} // namespace storedialog
