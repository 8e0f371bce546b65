#pragma once

#include <QString>

class QTextDocument;

// The collection detail's header row: a fixed part of 372 points and the description below it,
// at the 14-point system font with 8 points between lines. The description spans the header's
// content, as its title line does (15 points in from either edge): 280 wide in the designed
// 310-wide header, wider in a wider one, never narrower than 280. The header draws the description
// with the document describe() sets up, so the row is as high as the text it draws at that width.
// GUI thread (fonts).
class KXCollectionHeaderLayout {
public:
    static constexpr int kFixedHeight = 372;
    static constexpr int kDescriptionWidth = 280;
    static constexpr int kMargin = 15;
    static constexpr int kDescriptionPoints = 14;
    static constexpr int kLineSpacing = 8;

    // The description's width in a header `headerWidth` wide.
    static int descriptionWidth(int headerWidth);
    // The description typeset into `document` for a header `headerWidth` wide: plain text, no
    // margin.
    static void describe(QTextDocument& document, const QString& description, int headerWidth);
    // 372 plus the description's height at that width rounded up to a whole point (372 without a
    // description).
    static int height(const QString& description, int headerWidth);
};
