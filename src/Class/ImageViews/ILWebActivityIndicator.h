#pragma once

#include "Class/ImageViews/ILWebIndicator.h"

#include <QColor>
#include <QPointer>
#include <QWidget>
#include <memory>

namespace dispatch {
class TimerSource;
}

// A painted spinner: twelve spokes, the brightest one turning a step every 1/12 s on the main
// queue while it animates. Small is 16 points, regular 32; grey by default, white through the
// "CIColorControls" filter (brightness 1).
class ILActivitySpinner final : public QWidget {
    Q_OBJECT

public:
    enum class ControlSize { Regular = 0, Small = 1 };

    explicit ILActivitySpinner(QWidget* parent = nullptr);
    ~ILActivitySpinner() override;

    ControlSize controlSize() const { return controlSize_; }
    void setControlSize(ControlSize size);
    bool isWhite() const { return white_; }
    void setWhite(bool white);
    void sizeToFit() { resize(sizeHint()); }
    void startAnimation();
    void stopAnimation();
    bool isAnimating() const { return timer_ != nullptr; }
    int step() const { return step_; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    ControlSize controlSize_ = ControlSize::Small;
    bool white_ = false;
    int step_ = 0;
    std::shared_ptr<dispatch::TimerSource> timer_;
};

// The spinning loading indicator and its presets. The indicator keeps its view; the loading view
// shows it centred while a load runs. Main thread only.
class ILWebActivityIndicator : public ILWebIndicator {
public:
    ILWebActivityIndicator();
    ~ILWebActivityIndicator() override;

    static std::shared_ptr<ILWebActivityIndicator> grayIndicator();
    static std::shared_ptr<ILWebActivityIndicator> grayLargeIndicator();
    static std::shared_ptr<ILWebActivityIndicator> whiteIndicator();
    static std::shared_ptr<ILWebActivityIndicator> whiteLargeIndicator();
    static std::shared_ptr<ILWebActivityIndicator> largeIndicator();
    static std::shared_ptr<ILWebActivityIndicator> mediumIndicator();

    QWidget* indicatorView() const override { return view_; }
    ILActivitySpinner* spinner() const { return view_; }
    void startAnimatingIndicator() override;
    void stopAnimatingIndicator() override;

private:
    QPointer<ILActivitySpinner> view_;
};
