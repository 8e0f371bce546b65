#pragma once

#include "Class/Store/Core/KXAttributedText.h"

#include <QColor>
#include <QFont>
#include <QTextLayout>
#include <QWidget>
#include <memory>

// A label for the store's attributed texts: plain text (never markup), the label's own font and
// colour, and over them the attributes of each range (system font size, colour, strike-through),
// ranges being QString (UTF-16) indexes. Line breaks in the text break lines; long lines wrap
// when word wrap is on. Main thread only.
class KXStoreTextLabel : public QWidget {
    Q_OBJECT

public:
    explicit KXStoreTextLabel(QWidget* parent = nullptr);
    ~KXStoreTextLabel() override;

    const KXAttributedText& attributedText() const { return text_; }
    void setAttributedText(KXAttributedText text);
    // Plain text in the label's font and colour.
    void setText(const QString& text);
    QString text() const;

    const QColor& textColor() const { return color_; }
    void setTextColor(const QColor& color);
    void setTextFont(const QFont& font);
    void setWordWrap(bool wrap);
    // Alignment when the text has none of its own.
    void setAlignment(Qt::Alignment alignment);

    // The font a character is drawn with (tests read the ranges back through this).
    QFont fontAt(int index) const;
    QColor colorAt(int index) const;
    bool isStruckAt(int index) const;

    QSize sizeHint() const override;
    bool hasHeightForWidth() const override { return wrap_; }
    int heightForWidth(int width) const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QTextCharFormat formatAt(int index) const;
    // Lays the text out for `width` (no limit when negative) and returns its size.
    QSizeF layOut(QTextLayout& layout, double width) const;
    void rebuild();

    KXAttributedText text_;
    QString string_;
    QColor color_ = QColor(51, 51, 51);
    QFont font_;
    bool wrap_ = false;
    Qt::Alignment alignment_ = Qt::AlignLeft | Qt::AlignVCenter;
    std::unique_ptr<QTextLayout> layout_;
    QSizeF laidOut_;
    double laidOutWidth_ = -2;
};
