#pragma once

#include "Class/UIKit/KXBaseView.h"

class ImageView;
class KXBaseButton;

// The questionnaire alert over the whole main window: the service's questionnaire picture (the
// address stored under "questionnaire" at start-up) on a dimmed window, with a close button. An
// empty address shows no picture. Main thread only.
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

private:
    void setUPUI();

    ImageView* bgImgView_ = nullptr;
    KXBaseButton* cancelBtn_ = nullptr;
};
