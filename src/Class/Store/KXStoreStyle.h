#pragma once

#include "Class/Store/Core/KXAttributedText.h"

#include <QColor>
#include <QFont>
#include <QString>
#include <string>

class KXStoreButton;
class QLabel;
class QWidget;

// The store's colours, fonts and the few looks its pages share. Sizes are in points, drawn as
// pixels as the rest of the client draws them. The store draws its own fixed colours (white
// pages, store red) in both palettes.
namespace storestyle {

inline const QColor kStoreRed(238, 84, 84);
inline const QColor kRedBorder(217, 42, 42);
inline const QColor kSeparator(238, 238, 238);
inline const QColor kVipText(119, 119, 119);
inline const QColor kCancelTitle(176, 176, 176);
inline const QColor kConfirmTitle(151, 125, 98);
inline const QColor kOverlay(0, 0, 0, 51); // black at 20 %
inline const QColor kBoxTitle(51, 51, 51);
inline const QColor kCategoryTitle(47, 47, 47);
inline const QColor kDetailTitle(85, 85, 85);
inline const QColor kPageMark(249, 191, 54);
inline const QColor kFontBoxTitle(180, 180, 180);
inline const QColor kTableBackground(245, 245, 245);
inline const QColor kTextGrey(102, 102, 102);

QFont systemFont(double points);
QColor qcolor(const KXColor& color);
QString qstring(const std::string& utf8);

// A label that shows its text as plain text whatever it holds, in `color` wherever it is placed.
QLabel* plainLabel(const QString& text, double points, const QColor& color, QWidget* parent);
// A standard button with a centred title in a colour, at a size.
KXStoreButton* titledButton(const QString& title, const QColor& color, double points, QWidget* parent);
// The store's red action button: corner radius, store red face, white centred title.
KXStoreButton* redButton(const QString& title, double radius, QWidget* parent);
// Fills a widget's background with a colour.
void fill(QWidget& widget, const QColor& color);
// Paints a layer's face: a rounded rectangle with a background and a border (either colour may
// be invalid, for none).
void paintFace(
    QWidget& widget, const QColor& background, double radius, const QColor& border, double borderWidth);

// The bar along the top of a page: a back button at its left, the page's title in its middle, 50
// points high, with a separator line under it. The page wires the back button.
struct TopBar {
    QWidget* bar = nullptr;
    KXStoreButton* backBtn = nullptr;
    QLabel* title = nullptr;
};
TopBar topBar(QWidget* page, const QString& title);
inline constexpr double kTopBarHeight = 50;

} // namespace storestyle
