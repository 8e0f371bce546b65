#pragma once

#include <QString>

class QTextDocument;

// The collection detail's header row: a fixed part of 372 points and the description below it,
// laid out 280 wide at the 14-point system font with 8 points between lines. The header draws the
// description with the document describe() sets up, so the row is as high as the text it draws.
// GUI thread (fonts).
class KXCollectionHeaderLayout {
public:
    static constexpr int kFixedHeight = 372;
    static constexpr int kDescriptionWidth = 280;
    static constexpr int kDescriptionPoints = 14;
    static constexpr int kLineSpacing = 8;

    // The description typeset into `document`: plain text, no margin, the width above.
    static void describe(QTextDocument& document, const QString& description);
    // 372 plus the description's height rounded up to a whole point (372 without a description).
    static int height(const QString& description);
};
