#pragma once

#include <QPointer>
#include <QWidget>

// The splash window: 240 x 320 without a frame, centred on the screen, kept when closed.
class KXBegainWindow : public QWidget {
    Q_OBJECT

public:
    static constexpr int kWidth = 240;
    static constexpr int kHeight = 320;

    explicit KXBegainWindow(QWidget* parent = nullptr);

    // The content fills the window.
    void setContentViewController(QWidget* controller);
    QWidget* contentViewController() const { return content_; }

private:
    QPointer<QWidget> content_;
};
