#pragma once

#include <QWidget>

#include <memory>

class LADSlider;

// What the preview-size slider reports; does nothing unless implemented. Held weakly.
class KXImageSliderViewDelegate {
public:
    virtual ~KXImageSliderViewDelegate() = default;
    virtual void sliderValueChange(float value) { (void)value; }
};

// The preview-size slider of the font list's toolbar: an image slider whose positions 0 to 1000
// are reported as 0 to 1, in the middle (0.5) at start; every movement is reported. Main thread
// only.
class KXImageSliderView : public QWidget {
    Q_OBJECT

public:
    static constexpr int kSteps = 1000;

    explicit KXImageSliderView(QWidget* parent = nullptr);

    std::shared_ptr<KXImageSliderViewDelegate> delegate() const { return delegate_.lock(); }
    void setDelegate(const std::shared_ptr<KXImageSliderViewDelegate>& delegate) { delegate_ = delegate; }
    LADSlider* slider() const { return slider_; }
    float value() const;

    // The slider's action: reports the slider's value from 0 to 1.
    void changeValue();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    LADSlider* slider_;
    std::weak_ptr<KXImageSliderViewDelegate> delegate_;
};
