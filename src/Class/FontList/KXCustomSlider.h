#pragma once

#include "Class/FontList/MyPopoverRootView2.h"
#include "Class/UIKit/LADSlider.h"

#include <QPointer>

#include <memory>

// What KXCustomSlider reports; does nothing unless implemented. Held weakly.
class KXCustomSliderDelegate {
public:
    virtual ~KXCustomSliderDelegate() = default;
    virtual void sliderValueChange(float value) { (void)value; }
};

// A slider view for pop-ups: an image slider (0 to 1) on white, whose every movement reaches the
// delegate. Nothing in the client creates one; it is kept for pop-ups that need a slider. Main
// thread only.
class KXCustomSlider : public MyPopoverRootView2 {
    Q_OBJECT

public:
    static constexpr int kSteps = 1000;

    explicit KXCustomSlider(const QRect& frame = QRect(0, 0, 180, 36), QWidget* parent = nullptr);

    std::shared_ptr<KXCustomSliderDelegate> delegate() const { return delegate_.lock(); }
    void setDelegate(const std::shared_ptr<KXCustomSliderDelegate>& delegate) { delegate_ = delegate; }
    LADSlider* cuslider() const { return cuslider_; }

    // The slider's action.
    void test1();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    std::weak_ptr<KXCustomSliderDelegate> delegate_;
    QPointer<LADSlider> cuslider_;
};
