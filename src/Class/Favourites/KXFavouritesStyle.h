#pragma once

#include "Class/Theme/ToastPresenter.h"

#include <QColor>
#include <QPointF>
#include <QString>
#include <QWidget>

#include <memory>
#include <optional>

class KXBaseButton;
class QLabel;
class QPainter;
struct KXHighlightedText;

// Small drawing and placing helpers the folder and collection pages share. GUI thread only.
namespace favouritesstyle {

// A shadow as a layer draws it: offset and blur radius in points.
struct Shadow {
    QPointF offset;
    double blur = 0;
    QColor color = QColor(0, 0, 0, 26);
};

// A rectangle filled with `fill`, rounded by `radius`, optionally framed and shadowed: what a
// layer with a background, corner radius, border and shadow draws.
class Panel : public QWidget {
public:
    Panel(QWidget* parent, QColor fill, double radius = 0, std::optional<Shadow> shadow = std::nullopt,
          std::optional<QColor> border = std::nullopt);
    void setFill(QColor fill);
    const QColor& fill() const { return fill_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor fill_;
    double radius_;
    std::optional<QColor> border_;
};

// Draws a text with its highlighted range (KXHighlightedText's colour and size) on one line,
// vertically centred in `area` and aligned left; the rest in `points` and `color`. Returns the
// width drawn.
int drawHighlighted(QPainter& painter, const QRect& area, const KXHighlightedText& text, int points, const QColor& color);

// A one-line label of a highlighted text (plain text, never markup).
class HighlightLabel : public QWidget {
public:
    HighlightLabel(QWidget* parent, int points, QColor color);
    void setText(const KXHighlightedText& text);
    QString text() const;
    const KXHighlightedText& highlightedText() const { return *text_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int points_;
    QColor color_;
    std::shared_ptr<KXHighlightedText> text_;
};

// A label that shows its text as plain text, in the system font at `points`.
QLabel* label(const QString& text, int points, const QColor& color, QWidget* parent);
// A borderless text button of the kit in `color`.
KXBaseButton* textButton(const QString& title, const QColor& color, QWidget* parent);
// A button showing the kit's image of that name.
KXBaseButton* imageButton(const char* imageName, QWidget* parent);
// Lays out a folder dialog's 300 x 168 card in the middle of its parent: the title across the top,
// the cancel and confirm buttons at the bottom left and right. The content between is the caller's.
void layoutDialogCard(QWidget* card, QWidget* title, QWidget* cancel, QWidget* confirm);
// Fills the widget with black at `alpha`: the veil of a dialog over the page below.
void paintVeil(QWidget& widget, double alpha);

// Adds `child` on top of `parent`, its four edges pinned to the parent's.
void pinOnTop(QWidget* child, QWidget* parent);
// The view of the window's content: a main window's central widget, else the window itself.
QWidget* contentViewOf(QWidget* view);
// A toast over the application's key window.
void toast(ToastStyle style, const QString& message);

} // namespace favouritesstyle
