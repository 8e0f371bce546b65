#pragma once

#include "Class/UIKit/KXBaseView.h"

class ImageView;
class KXBaseButton;

// The questionnaire alert over the whole main window: the service's questionnaire picture (the
// address stored under "questionnaire" at start-up) on a dimmed window, with a close button. An
// empty address shows no picture. On a short window the picture shrinks to keep the close button
// inside. Main thread only.
class KXHomeAlertView : public KXBaseView {
    Q_OBJECT

public:
    static constexpr double kDimming = 0.2;
    static constexpr int kImageWidth = 300;
    static constexpr int kImageHeight = 400;

    explicit KXHomeAlertView(QWidget* parent = nullptr);

    ImageView* bgImgView() const { return bgImgView_; }
    KXBaseButton* cancelBtn() const { return cancelBtn_; }

    void cancelBtnClick();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void setUPUI();
    void layOut();

    ImageView* bgImgView_ = nullptr;
    KXBaseButton* cancelBtn_ = nullptr;
};
