#pragma once

#include "Class/UIKit/KXBaseView.h"

class ImageView;
class KXBaseButton;

// The first-run guide laid over the whole main window: the animated picture "newUserGuide" and
// a button that closes the guide.
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

private:
    void setUPUI();
    void viewDidMoveToSuperview();

    ImageView* imgV_ = nullptr;
    KXBaseButton* sureBtn_ = nullptr;
    bool animating_ = false;
};
