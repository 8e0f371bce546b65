#pragma once

#include <QWidget>

#include <memory>

namespace dispatch {
class TimerSource;
}

// The spinner of the toast's loading style: twelve spokes, the brightest one turning a step at a
// time on a main-queue timer (so tests drive it with the virtual clock). GUI thread only.
class MLHudLoadingIndicator : public QWidget {
public:
    explicit MLHudLoadingIndicator(QWidget* parent = nullptr);
    ~MLHudLoadingIndicator() override;

    void startAnimation();
    void stopAnimation();
    bool isAnimating() const { return static_cast<bool>(timer_); }
    int phase() const { return phase_; }

    QSize sizeHint() const override { return {32, 32}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::shared_ptr<dispatch::TimerSource> timer_;
    int phase_ = 0;
};
