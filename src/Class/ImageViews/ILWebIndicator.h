#pragma once

class QWidget;

// A loading indicator shown over a view while its image loads. The view entry adds indicatorView
// as a child of the loading view, centred, and keeps it centred as the view resizes. Main thread
// only.
class ILWebIndicator {
public:
    virtual ~ILWebIndicator() = default;
    virtual QWidget* indicatorView() const = 0;
    virtual void startAnimatingIndicator() = 0;
    virtual void stopAnimatingIndicator() = 0;
    // Whether updateIndicatorProgress means anything to this indicator.
    virtual bool respondsToUpdateIndicatorProgress() const { return false; }
    // 0 to 1.
    virtual void updateIndicatorProgress(double) { }
};
