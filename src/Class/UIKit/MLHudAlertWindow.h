#pragma once

#include <QString>
#include <QWidget>

#include <memory>

class QGraphicsOpacityEffect;
class QLabel;
class MLHudLoadingIndicator;

namespace dispatch {
class TimerSource;
}

// The toast's surface: a child overlay of the window it is shown over (not a window of its own,
// so it behaves the same under every window system), black with rounded corners, white message,
// icon or spinner. Its alpha fades on a main-queue timer; at alpha 0 it hides, so an invisible
// toast never catches clicks. The message is plain text: it comes from the service, and markup in
// it shows as written. GUI thread only.
class MLHudAlertWindow : public QWidget {
public:
    static constexpr double kFadeSeconds = 0.25;
    static constexpr int kMaxWidth = 320;
    static constexpr int kParentMargin = 40;

    explicit MLHudAlertWindow(QWidget* parent = nullptr);
    ~MLHudAlertWindow() override;

    QLabel* iconView() const { return iconView_; }
    QLabel* messageField() const { return messageField_; }
    MLHudLoadingIndicator* loadingIndicator() const { return loadingIndicator_; }

    float cornerRadius() const { return cornerRadius_; }
    void setCornerRadius(float radius);

    double alphaValue() const;
    void setAlphaValue(double alpha);
    // Moves the alpha to `target` over kFadeSeconds on the installed clock.
    void animateAlphaTo(double target);
    bool isFading() const { return static_cast<bool>(fade_); }

    // The whole message last given; the field may show only its first lines.
    const QString& message() const { return message_; }
    // Shows `message` and sizes the toast to it (fitToContent).
    void setMessage(const QString& message);
    // Sizes the toast to its message, at most kMaxWidth wide and, over a parent, never taller than
    // the parent less kParentMargin above and below: a longer message keeps the lines that fit
    // and its last kept line ends with "…".
    void fitToContent();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void stopFade();

    QLabel* iconView_;
    QLabel* messageField_;
    MLHudLoadingIndicator* loadingIndicator_;
    QGraphicsOpacityEffect* opacity_;
    QString message_;
    float cornerRadius_ = 20;
    std::shared_ptr<dispatch::TimerSource> fade_;
};
