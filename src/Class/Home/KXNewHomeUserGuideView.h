#pragma once

#include "Class/UIKit/KXBaseView.h"

class ImageView;
class KXBaseButton;

// The first-run guide laid over the whole main window: the animated picture "newUserGuide" and
// a button that closes the guide, as Escape and Return do while nothing lies over the guide. On a window too short for the picture
// at its full size the picture shrinks, so that the button always shows.
class KXNewHomeUserGuideView : public KXBaseView {
    Q_OBJECT

public:
    static constexpr double kBackgroundOpacity = 0.788871284965035;

    explicit KXNewHomeUserGuideView(QWidget* parent = nullptr);

    ImageView* imgV() const { return imgV_; }
    KXBaseButton* sureBtn() const { return sureBtn_; }
    // Whether the picture has been started (it starts once the guide has a superview).
    bool isAnimating() const { return animating_; }

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void setUPUI();
    void viewDidMoveToSuperview();
    void layOut();
    bool isUppermost() const;

    ImageView* imgV_ = nullptr;
    KXBaseButton* sureBtn_ = nullptr;
    bool animating_ = false;
};
