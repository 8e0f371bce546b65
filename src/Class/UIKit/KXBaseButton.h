#pragma once

#include "Class/UIKit/KXImage.h"

#include <QAbstractButton>
#include <QColor>
#include <QFont>

#include <functional>
#include <memory>
#include <optional>

class KXBaseButton;

// Hover callbacks of a button; an empty member is a method the delegate does not implement.
struct KXBaseButtonDelegate {
    std::function<void(KXBaseButton*)> kxbasebuttonMouseEntered;
    std::function<void(KXBaseButton*)> kxbasebuttonMouseExited;
};

// The attributes the title is drawn with. Each rebuild starts from the plain title, so an
// attribute applied earlier (the centring, say) is lost unless applied again.
struct KXAttributedTitle {
    struct Paragraph {
        bool centred = false;
        bool truncatesTail = false;
    };
    QString text;
    std::optional<QColor> color;
    std::optional<QFont> font;
    std::optional<Paragraph> paragraph;
};

// The application's standard button: borderless, its title drawn from a colour and a font the
// button keeps and cut at the tail when it does not fit; the pointing-hand cursor and a tooltip
// while the pointer is over it; hover reported to a delegate. The delegate is held weakly: the
// owner of the button keeps it alive. GUI thread only.
//
// As a check box (ButtonType::CheckBox) a click flips the state before the action runs, the
// alternate image stands for the ticked state, and the identifier names what the box stands for.
// Setting the state from code runs no action.
class KXBaseButton : public QAbstractButton {
public:
    using Action = std::function<void(KXBaseButton*)>;

    // Momentary change: the alternate image shows while the button is held down. Check box: the
    // button keeps an on/off state and the alternate image shows while it is on.
    enum class ButtonType { MomentaryChange, CheckBox };
    // Where the image goes: before the title (alone: centred at its own size), after it at the
    // trailing edge, under the title filling the button as the scaling says, or alone (the title
    // is kept but not drawn).
    enum class ImagePosition { Leading, Trailing, Overlaps, ImageOnly };
    // How an overlapping or lone image meets the button's bounds: its own size, stretched to
    // the bounds on both axes independently, or scaled up or down to fit keeping its proportions.
    enum class ImageScaling { None, AxesIndependently, ProportionallyUpOrDown };

    // The three factories; the action runs on each click. The button belongs to `parent`.
    static KXBaseButton* buttonWithImage(const KXImage& image, Action action, QWidget* parent = nullptr);
    static KXBaseButton* buttonWithTitle(const QString& title, Action action, QWidget* parent = nullptr);
    static KXBaseButton* buttonWithTitle(const QString& title, const KXImage& image, Action action,
                                         QWidget* parent = nullptr);

    explicit KXBaseButton(QWidget* parent = nullptr);

    // The plain title; setting it drops the title's attributes.
    QString title() const { return attributedTitle_.text; }
    void setTitle(const QString& title);
    const KXAttributedTitle& attributedTitle() const { return attributedTitle_; }
    void setAttributedTitle(KXAttributedTitle title);

    const KXImage& image() const { return image_; }
    void setImage(const KXImage& image);
    // Shown instead of the image while the button is held down (a check box: while it is on).
    const KXImage& alternateImage() const { return alternateImage_; }
    void setAlternateImage(const KXImage& image);

    void setAction(Action action) { action_ = std::move(action); }

    ButtonType buttonType() const { return buttonType_; }
    void setButtonType(ButtonType type);
    // 1 when a check box is on, else 0.
    int state() const { return isChecked() ? 1 : 0; }
    void setState(int state) { setChecked(state != 0); }
    ImagePosition imagePosition() const { return imagePosition_; }
    void setImagePosition(ImagePosition position);
    ImageScaling imageScaling() const { return imageScaling_; }
    void setImageScaling(ImageScaling scaling);
    // Room kept free of the title at the left and right edges (an image under the title may
    // draw there).
    void setTitleInsets(double left, double right);
    const QString& identifier() const { return identifier_; }
    void setIdentifier(const QString& identifier) { identifier_ = identifier; }
    // Where an overlapping or lone image is drawn inside `bounds` (button coordinates).
    QRectF imageRect(const QRectF& bounds) const;

    bool isSelected() const { return selected_; }
    // Stores the flag and recolours the title: the selected colour when selected (no change at
    // all while there is none), else the normal colour.
    void setSelected(bool selected);

    // The title font; the 12-point system font until one is set.
    const QFont& normalFont();
    void setNormalFont(const QFont& font) { normalFont_ = font; }
    const std::optional<QColor>& normalColor() const { return normalColor_; }
    // Stores the colour and rebuilds the title with it, the font and tail truncation.
    void setNormalColor(std::optional<QColor> color);
    const std::optional<QColor>& selectedColor() const { return selectedColor_; }
    void setSelectedColor(std::optional<QColor> color) { selectedColor_ = std::move(color); }

    // A non-empty value keeps hovering from replacing the tooltip with the title.
    const QString& toolTipTitle() const { return toolTipTitle_; }
    void setToolTipTitle(const QString& title) { toolTipTitle_ = title; }

    std::shared_ptr<KXBaseButtonDelegate> delegate() const { return delegate_.lock(); }
    void setDelegate(const std::shared_ptr<KXBaseButtonDelegate>& delegate) { delegate_ = delegate; }

    // Centres the current title. The argument is not used: every caller wants it centred.
    void setKXBaseButtonAlignment(int alignment);

    // Where the title is drawn inside the button: centred or at the leading edge.
    Qt::Alignment titleAlignment() const;
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    // A button that has the keys (one made focusable, as an alert's are) is pressed by Return or
    // Enter, as by the space bar; a check box is not.
    void keyPressEvent(QKeyEvent* event) override;

private:
    void rebuildTitle(std::optional<QColor> color, bool truncatesTail);
    const KXImage& shownImage() const;

    KXAttributedTitle attributedTitle_;
    KXImage image_;
    KXImage alternateImage_;
    Action action_;
    ButtonType buttonType_ = ButtonType::MomentaryChange;
    ImagePosition imagePosition_ = ImagePosition::Leading;
    ImageScaling imageScaling_ = ImageScaling::None;
    QString identifier_;
    double titleInsetLeft_ = 0;
    double titleInsetRight_ = 0;
    bool selected_ = false;
    std::optional<QFont> normalFont_;
    std::optional<QColor> normalColor_;
    std::optional<QColor> selectedColor_;
    QString toolTipTitle_;
    std::weak_ptr<KXBaseButtonDelegate> delegate_;
};
