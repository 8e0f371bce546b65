#pragma once

#include "Class/FontList/KXPopover.h"
#include "Class/FontList/MyPopoverRootView2.h"
#include "Class/UIKit/LADSlider.h"

#include <QObject>
#include <QPointer>

#include <memory>

// What the size popover reports; does nothing unless implemented. Held weakly.
class KXCustomSliderPopoverControllerDelegate {
public:
    virtual ~KXCustomSliderPopoverControllerDelegate() = default;
    virtual void sliderValueChange(float value) { (void)value; }
};

// The size popover: a slider (0 to 1) in a small transient pop-up with a white frame, below its
// anchor. The value given at an opening is one value for the whole process and is taken by the
// slider when the pop-up's view loads, at the first opening only. The slider reports every
// movement when the anchor's tag (its "tag" property) is 100001, otherwise only where the user
// lets go. Main thread only.
class KXCustomSliderPopoverController : public QObject {
    Q_OBJECT

public:
    static constexpr int kContinuousTag = 100001;
    static constexpr int kSteps = 1000;

    explicit KXCustomSliderPopoverController(QObject* parent = nullptr);
    ~KXCustomSliderPopoverController() override;

    std::shared_ptr<KXCustomSliderPopoverControllerDelegate> delegate() const { return delegate_.lock(); }
    void setDelegate(const std::shared_ptr<KXCustomSliderPopoverControllerDelegate>& delegate) { delegate_ = delegate; }
    KXPopover* popover() const { return popover_; }
    // The slider of the loaded view, nullptr before the first opening.
    LADSlider* slider() const { return slider_; }

    void sliderValue(float value, QWidget* positioningView);
    static float processSliderValue();
    // The slider's action.
    void changeValue();

private:
    QWidget* view();

    std::weak_ptr<KXCustomSliderPopoverControllerDelegate> delegate_;
    QPointer<MyPopoverRootView2> view_;
    QPointer<LADSlider> slider_;
    QPointer<KXPopover> popover_;
};
