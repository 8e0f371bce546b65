#pragma once

#include <QPointer>
#include <QSize>
#include <QWidget>

class QScrollArea;

// The small windows of the account and update areas (login, user agreement, updater): the UI
// kit's transient windows (KXTransientWindows.h), with a class of their own so that pages find
// the window they lie in. Closing hides the window: its controller keeps it and its state. Their
// content goes in contentView(), which keeps the designed size (or, where the content allows, a
// narrower width) and scrolls where a small screen makes the window smaller. Main thread only.
class KXTransientWindow : public QWidget {
    Q_OBJECT

public:
    KXTransientWindow(QWidget* transientParent, const QSize& size, const QString& title);

    QWidget* contentView() const { return contentView_; }
    QScrollArea* scrollArea() const { return scrollArea_; }
    // A new designed size (a form that needs more room), which the content keeps from now on;
    // the window takes it, as far as the screen allows, when it is next centred.
    void setDesignedSize(const QSize& size);
    // Content that can be laid out narrower than designed: it takes the window's width down to
    // `width` and scrolls sideways only below that. By default the content keeps its designed width.
    void setNarrowestContentWidth(int width);

    // Brings the window to the front, centred over its parent's window (or the screen).
    void showCentred();
    // Hides the window (the platform's "order out").
    void orderOut() { hide(); }

private:
    void keepContentAtLeast(const QSize& designed);

    QScrollArea* scrollArea_ = nullptr;
    QWidget* contentView_ = nullptr;
    int narrowestContentWidth_ = -1; // -1: the designed width
};

// Owns a window as long as the window lives: deletes it with the owner unless its parent's
// window took it down first.
class KXOwnedWindow {
public:
    explicit KXOwnedWindow(QWidget* window)
        : window_(window)
    {
    }
    ~KXOwnedWindow() { delete window_.data(); }
    KXOwnedWindow(const KXOwnedWindow&) = delete;
    KXOwnedWindow& operator=(const KXOwnedWindow&) = delete;

    QWidget* get() const { return window_.data(); }

private:
    QPointer<QWidget> window_;
};
