#pragma once

#include "Class/ImageViews/ILWebIndicator.h"

#include <QPointer>
#include <QProgressBar>
#include <memory>

// The bar loading indicator: indeterminate until a progress above 0 arrives, then the fraction
// received. 160 points wide and as high as a small bar. Main thread only.
class ILWebProgressIndicator : public ILWebIndicator {
public:
    ILWebProgressIndicator();
    ~ILWebProgressIndicator() override;

    static std::shared_ptr<ILWebProgressIndicator> defaultIndicator()
    {
        return std::make_shared<ILWebProgressIndicator>();
    }

    QWidget* indicatorView() const override { return bar_; }
    QProgressBar* bar() const { return bar_; }
    void startAnimatingIndicator() override;
    void stopAnimatingIndicator() override;
    bool respondsToUpdateIndicatorProgress() const override { return true; }
    void updateIndicatorProgress(double progress) override;
    bool isIndeterminate() const;
    // 0 to 100.
    double value() const;

private:
    QPointer<QProgressBar> bar_;
    double value_ = 0;
};
