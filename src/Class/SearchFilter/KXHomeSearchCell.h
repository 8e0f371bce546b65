#pragma once

#include <QRect>
#include <QString>

class QPainter;

// The one-line row of the search panel's history and suggestions, as the panel's row delegate
// paints it: the title 26 from the row's left edge and 5 from its right, centred vertically, in
// the 12-point system font and RGB(180,180,180), on the table's background. A cell shows
// "疾风知劲草" until its title is first set. Nothing is made per row: the delegate keeps one cell
// and sets its title before each paint. GUI thread only.
class KXHomeSearchCell {
public:
    static constexpr const char* kPlaceholderTitle = "疾风知劲草";
    static constexpr int kTitleLeft = 26;
    static constexpr int kTitleRight = 5;

    const QString& title() const { return title_; }
    void setTitle(const QString& title) { title_ = title; }

    // Where the title goes inside a row.
    static QRect titleRect(const QRect& row);
    void paint(QPainter& painter, const QRect& row) const;

private:
    QString title_ = QString::fromUtf8(kPlaceholderTitle);
};
